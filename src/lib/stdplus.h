#pragma once
// Small operations on NUL-terminated CP932 strings: counted allocation, bounded copies,
// character search and replacement, and the quoting of one comma-separated field.
// "Lead-byte aware" operations step over double-byte characters, so a trail byte such as
// the 0x5C of 表 or ソ is never taken for a backslash.
#include <cstddef>

// True when c starts a double-byte character in the active multibyte code page.
bool StdPlus_IsLead(unsigned char c);

void* StdPlus_Malloc(size_t size);
void StdPlus_Free(void* block);
int StdPlus_LiveBlocks();  // successful allocations not yet freed

char* StdPlus_CopyN(char* dst, const char* src, size_t size);
char* StdPlus_CopyUntil(char* dst, size_t max, const char* src, char stop);
// Appends src to the text in dst, a buffer of size bytes; a result that would not fit with
// its terminator raises StrX_Err_TooLongPath and leaves dst as it was.
char* StdPlus_CatN(char* dst, const char* src, size_t size);
char* StdPlus_Prepend(char* buf, const char* src);

// Lead-byte aware; a string that has no room for c in its size bytes raises
// StrX_Err_TooLongPath and stays as it was.
char* StdPlus_AddTrailChar(char* str, char c, size_t size);
char* StdPlus_DropLast(char* str);
char* StdPlus_DropLastIf(char* str, char c);     // byte-wise
char* StdPlus_DropTrailChar(char* str, char c);  // lead-byte aware
char* StdPlus_DropBrokenLead(char* str);
char* StdPlus_Trim(char* str);
char StdPlus_LastChar(const char* str);

// Lead-byte aware searches; null when nothing is found.
char* StdPlus_FindChar(const char* str, char c);
char* StdPlus_FindLastChar(const char* str, char c);
char* StdPlus_FindAnyOf(const char* str, const char* set);
// Byte-wise, letters compared after toupper.
char* StdPlus_FindNoCase(const char* str, const char* text);

char* StdPlus_ReplaceChar(char* str, char c, char d);  // lead-byte aware
// Replaces every `from` by `to`; the string never grows beyond size-1 characters.
char* StdPlus_ReplaceText(char* str, size_t size, const char* from, const char* to);

// Writes value as one field into out (size bytes), in double quotes when it holds a comma
// or a quote or has a blank at either end; quotes inside are doubled.
char* StdPlus_CsvQuote(char* out, size_t size, const char* value);
// Parses the field at text in place and returns it. *next gets the start of the following
// field, or null when there is none.
char* StdPlus_CsvField(char* text, char** next);
