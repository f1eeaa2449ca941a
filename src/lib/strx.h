#pragma once
// String and path operations on CP932 text. Paths are 260-byte buffers unless a size is
// passed; separators are `\` and, where stated, `/`. Operations noted "lead-byte aware"
// never take the trail byte of a double-byte character (the 0x5C of 表 or ソ) for a
// separator; the others work byte by byte.
#include <cstddef>
#include <ctime>

enum { StrX_PathSize = 260 };

// True when pos is the second byte of a double-byte character of str. A position past
// the end raises Errors_Unofficial.
bool StrX_IsTrailByte(const char* str, const char* pos);
bool StrX_IsSpace(int c);
bool StrX_IsAllSpace(const char* str);

// 0 when name matches the pattern of `*` and `?` (letters compared without case).
// After a `*` the next literal segment is searched left to right without backtracking
// into a partial match, so *ab does not match aab.
int StrX_WildCompare(const char* pattern, const char* name);

bool StrX_IsRooted(const char* path);
bool StrX_IsDriveless(const char* path);
// "C:\..." or "\\server\share...": a path that means the same whatever the current folder.
bool StrX_IsFullPath(const char* path);

// Removes `..\` and `.\` steps in place; too many `..\` raise StrX_Err_NoMoreParentDir.
char* StrX_ResolveParents(char* path);
char* StrX_MakeAbsolute(char* path, size_t size, const char* base);
char* StrX_AbsFromCwd(char* dst, const char* src, size_t size);
char* StrX_AbsFromProgramDir(char* dst, const char* src, size_t size);
char* StrX_AbsFromFileDir(char* path, size_t size, const char* file);
char* StrX_MakeRelative(char* path, size_t size, const char* base);
char* StrX_ToFileUrl(char* out, const char* path);

const char* StrX_FileName(const char* path);
char* StrX_CopyFileName(char* out, const char* path);
char* StrX_CutLast(char* path);
char* StrX_ParentDir(char* dst, const char* path);
char* StrX_Join(char* dst, const char* name);
// Paths compared as Windows compares names: letters without case, double-byte characters
// byte for byte.
bool StrX_SamePath(const char* a, const char* b);
bool StrX_BeginsWithPath(const char* path, const char* head);
// Strictly below folder (a path that merely begins with the folder's text is not).
bool StrX_IsInside(const char* path, const char* folder);
char* StrX_MoveToDir(char* path, const char* dir);
// The text after the last "." of the file name; "" when it has none (a "." in a folder's
// name does not count).
const char* StrX_Ext(const char* path);
char* StrX_SetExt(char* path, const char* ext);
const char* StrX_Fragment(const char* path);
const char* StrX_ParseInt(const char* text, int* out);

// Splits a command line into the program (260 bytes) and the rest, which points into line.
void StrX_SplitCommand(const char* line, char* program, const char** rest);
// Every component of path in the letter case and long form stored on disk.
char* StrX_TrueCase(char* dst, const char* path);

// Walks the arguments of a command line: quoted paths or blank-separated words, each in
// its stored letter case.
struct StrX_Args {
    const char* start;
    const char* current;
    char arg[StrX_PathSize];
};
void StrX_ArgsInit(StrX_Args* args, const char* text);
const char* StrX_ArgsCurrent(const StrX_Args* args);
bool StrX_ArgsNext(StrX_Args* args);
int StrX_ArgsCount(StrX_Args* args);

int StrX_MakeTime(time_t* out, int year, int month, int day, int hour, int minute, int second);
// strftime of the local time, with every "%n" first replaced by the English month name.
char* StrX_FormatTime(time_t time, const char* format, char* out, size_t size);
char* StrX_FormatStamp(time_t time, char* out);      // "%Y/%m/%d-%H:%M:%S", out of 20 bytes
int StrX_ParseStamp(time_t* out, const char* text);  // 0 ok, 1 bad time, 2 too few numbers

// Formats a compile date ("Aug 26 2004") and time ("00:05:00") with a strftime format
// into a static 100-byte buffer. A month name outside Jan..Dec counts as month 13.
const char* StrX_BuildDate(const char* date, const char* time, const char* format);
