#pragma once
// Depth-first walk of a directory tree, one entry at a time. Each directory is listed once,
// when the walk enters it, into one process-wide pool of 30,000 names, so the walk holds no
// search handle between steps and needs no heap. Only one walk may be active at a time.
enum {
    NestFind_PoolSlots = 30000,
    NestFind_MaxLevels = 500,
    // Paths in a walk may be longer than the 260 of the ANSI calls: 499 nested folders of
    // short names already are. Such listings are read through the long-path form.
    NestFind_PathSize = 4096,
};

struct NestFind {
    int report_dirs;  // 1: directories too, each after all of its contents
    int skip_links;   // 1: a link to a folder (a reparse point) is reported, never entered
    int current[NestFind_MaxLevels];
    int last[NestFind_MaxLevels];
    int level;
    char base[NestFind_PathSize];
    char path[NestFind_PathSize];
};

// A base that does not fit is refused (StrX_Err_TooLongPath), never walked cut short: cut,
// it would name another folder.
void NestFind_Begin(NestFind* walker, const char* base, int report_dirs);
// After NestFind_Begin: links to folders are reported as entries and never walked into, as
// a deletion needs (what a link points to belongs elsewhere).
void NestFind_StayOutOfLinks(NestFind* walker);
bool NestFind_Next(NestFind* walker);
const char* NestFind_RelPath(NestFind* walker);
const char* NestFind_Path(NestFind* walker);
bool NestFind_IsDir(const NestFind* walker);
bool NestFind_IsLink(const NestFind* walker);
unsigned long NestFind_Size(const NestFind* walker);
void NestFind_End(NestFind* walker);
