#pragma once
// The path argument of the single-path actions ("-x ", "-u ", "-r ", "-i "...).
#include <cstddef>

// Takes the first token of argument (after leading blanks; a quoted path without its
// quotes, or a word up to the next blank) into buffer, cut to size - 1 characters. A path
// that names no file or folder raises Errors_Unofficial "%s ファイルが見つかりません。".
char* GetArgumentPath(const char* argument, char* buffer, size_t size);
