#pragma once
// The icon chooser "アイコンの選択 - Quarvel SV": the icons of a file (.ico, .exe, .dll...) 36
// at a time; a click on one chooses it. The DLL installer page opens it for the icon of an
// archive type and keeps the history of the files chosen.
#include <windows.h>

#include <cstddef>

enum { IconChooser_Cells = 36, IconChooser_Rows = 4 };

// The cells' control ids, column by column, four rows each.
extern const int IconChooser_CellIds[IconChooser_Cells];

// ---- Rules, free of any window -----------------------------------------------------------

struct IconChooser_State {
    int first;  // the first icon shown: a multiple of 36
    int count;  // icons in the current file
};
// "アイコン数 = %d" and "%d/%d" (this page and the pages there are; a file without icons
// has one empty page).
char* IconChooser_CountText(const IconChooser_State* state, char* out, size_t size);
char* IconChooser_PageText(const IconChooser_State* state, char* out, size_t size);
bool IconChooser_HasPrevious(const IconChooser_State* state);
bool IconChooser_HasNext(const IconChooser_State* state);
// The icon that cell k shows; -1 when it is empty.
int IconChooser_IconOfCell(const IconChooser_State* state, int cell);

// ---- The dialog ----------------------------------------------------------------------------

// Shows the icons of the candidates (the first one at first) until the user clicks an icon
// cell, which gives its file and index, or cancels (false). An empty cell is chosen too:
// the caller finds no icon at that index.
bool Options_ChooseIcon(HWND owner, const char (*candidates)[260], int count, char* file,
                        int* index);
