#pragma once
// Program files with a chosen number of icons, for the icon chooser: icon i is a square of
// one colour whose red part is i, so a test can tell which icon a control shows.
#include <windows.h>

#include <string>

namespace testing_support {

// A copy of recorder.exe (which has no icon of its own) with `count` icons.
void MakeIconFile(const std::string& path, int count);
// The number of the icon (its red part); -1 for no icon.
int IconNumber(HICON icon);

}  // namespace testing_support
