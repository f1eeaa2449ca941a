#pragma once
// The listing report "zent-out.txt" beside an LHA or 7z archive: for LHA laid out here from
// the DLL's entry records, for 7z the text of the DLL's own list command.
#include "archiver/arcdll_api.h"

// By the archive's extension ("lzh" or "7z"); any other raises Errors_Unofficial "error".
void Zent_ListReport(const char* archive);

// One line of the LHA report for an entry record, with its line feed. out: 700 bytes.
char* Zent_LhaReportLine(const Zent_EntryRecord* entry, char* out, size_t size);
