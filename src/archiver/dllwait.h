#pragma once
// The wait for an archiver DLL's semaphore. The semaphore has no owner: a process killed
// while it held it leaves it taken for as long as any other process keeps it open, so the
// wait is never blind. After about two seconds a small window says which DLL another
// extraction is using; its Cancel gives up.
#include <windows.h>

// An Own_SemaphoreWait for the DLL `dll` (a const Zent_DllInfo*): returns once the semaphore
// is taken; the user's Cancel raises Zent_Err_UserCancel.
void Zent_WaitForDll(HANDLE semaphore, const void* dll);
