#pragma once
// The association set this version writes: the rows of the archiver DLLs in the order of
// their ids (each DLL's own rows are in its record, archiver/dlls.h), then the rows of
// folders and of all files.
#include "archiver/dll_ids.h"
#include "shell/winx_assoc.h"

const WinX_TypeSet* Zent_AssociationSet();  // "Quarvel SV" 1.10
int Zent_ArchiveRowCount();                 // the DLLs' rows, before folders and all files
// The rows of the DLL: the first one's index in the set, and their number.
void Zent_AssociationRowsOf(Zent_DllId dll, int* first, int* count);
