#pragma once
// The archiver DLLs by name, in the order of the settings file's DLL flags. Their table is
// archiver/dlls.h.

enum Zent_DllId {
    Zent_Dll_Unlha,
    Zent_Dll_Unzip,
    Zent_Dll_Zip,
    Zent_Dll_Cab,
    Zent_Dll_Unrar,
    Zent_Dll_Unarj,
    Zent_Dll_Yz1,
    Zent_Dll_Ungca,
    Zent_Dll_Tar,
    Zent_Dll_7z,
    Zent_Dll_Count,
};
