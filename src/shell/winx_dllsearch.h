#pragma once
// Where DLLs loaded by a bare name come from.

// Called once at start-up: DLLs loaded by a bare name come only from the program's folder
// and Windows' folders, never from the current directory.
void WinX_KeepDllSearchOutOfUserFolders();
