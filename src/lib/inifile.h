#pragma once
// The program's own sectioned record files: "[name] " headers and "key = v1, v2" records
// with typed values, one blank line between sections and at the end, CR LF on disk.
// Format strings give one letter per value: s string, i integer, b flag byte, t time
// stamp, x hexadecimal (written only; read as unsigned). S and I read as s and i.
//
// The reader is strictly sequential: sections and records are read back in the order
// they were written, and every step checks that the file holds what is expected.
#include <cstdio>
#include <functional>

struct IniFile_Writer {
    FILE* f;
    bool first_section;
    char path[260];
};

void IniFile_OpenWrite(IniFile_Writer* writer, const char* path);
void IniFile_WriteSection(IniFile_Writer* writer, const char* name);
// Arguments per letter: s const char*, i int, b int (low byte), t const time_t*, x unsigned.
void IniFile_WriteRecord(IniFile_Writer* writer, const char* key, const char* format, ...);
void IniFile_CloseWrite(IniFile_Writer* writer);
// The file whole or not at all: `write` fills the new file `temporary`, beside `path`, which
// then takes the place of `path` (FileX_Replace). A failure while writing is raised again
// and a failed replace answers false; either way `temporary` is gone and `path` is as it was.
bool IniFile_WriteWhole(const char* path, const char* temporary,
                        const std::function<void(IniFile_Writer* writer)>& write);

struct IniFile_Reader {
    FILE* f;
    char* line;  // the caller's line buffer; longer lines are read in pieces
    int size;
    int max_string;  // s values are cut to max_string - 1 characters
    char path[260];
};

void IniFile_OpenRead(IniFile_Reader* reader, const char* path, char* line, int size);
void IniFile_CloseRead(IniFile_Reader* reader);
// The next section must be name (letter case aside); else IniFile_NotFoundSection and the
// position is kept.
void IniFile_Read_setSection(IniFile_Reader* reader, const char* name);
// Searches forward (once around with wrap) for the header of name, letter case exact;
// gives the position after it.
long IniFile_FindSection(IniFile_Reader* reader, const char* name, bool wrap);
// The same for a section that may be missing: false, at the end of the file, when it is.
bool IniFile_SeekSection(IniFile_Reader* reader, const char* name, bool wrap);
// Consecutive records with this key from the current line on; the position is kept.
int IniFile_CountRecords(IniFile_Reader* reader, const char* key);
// Targets per letter: s/S char[256], i/I int*, b char*, t time_t*, x unsigned*.
// Gives the position before the record.
long IniFile_ReadRecord(IniFile_Reader* reader, const char* key, const char* format, ...);
// As IniFile_ReadRecord when the next line has key; otherwise the default is stored by the
// first letter (b and i: an int, s: a const char*; pass 0 for other letters) and the line
// stays unread. Targets of further letters follow the default.
void IniFile_ReadOrDefault(IniFile_Reader* reader, const char* key, const char* format,
                           void* target, ...);
// The next record whatever its key (key_out: 256 bytes); -1 at the end of the section or
// of the file. Reads foreign files too: "key=value" without blanks.
long IniFile_ReadAny(IniFile_Reader* reader, char* key_out, const char* format, ...);
