#include "settings/path_variables.h"

#include <cstring>

#include "lib/stdplus.h"
#include "shell/winx_folders.h"

enum { kPathSize = 260 };

static const char kSameFolder[] = "$(同じフォルダ)";

// The variables in the order they are applied, each with the folder it stands for.
struct PathVariable {
    const char* name;
    const char* (*folder)();
};
static const PathVariable kVariables[] = {
    {"$(デスクトップ)", WinX_DesktopDir},
    {"$(Windows System)", WinX_SystemDir},
    {"$(テンポラリ)", WinX_TempDir},
    {"$(マイドキュメント)", WinX_PersonalDir},
    {"$(Program Files)", WinX_ProgramFilesDir},
};

// A folder that cannot be read (an unset TEMP, a missing shell folder value) simply has no
// variable: a display text must not fail because of it.
static bool FolderText(const PathVariable& v, char* out) {
    const char* folder = v.folder();
    if (folder == nullptr || folder[0] == '\0') return false;
    StdPlus_CopyN(out, folder, kPathSize);
    return true;
}

char* AbbreviatePath(char* out, const char* path) {
    StdPlus_CopyN(out, path, kPathSize);
    for (const PathVariable& v : kVariables) {
        char folder[kPathSize];
        if (FolderText(v, folder)) StdPlus_ReplaceText(out, kPathSize, folder, v.name);
    }
    if (out[0] == '\0') StdPlus_CopyN(out, kSameFolder, kPathSize);
    return out;
}

char* ExpandPath(char* out, const char* text) {
    StdPlus_CopyN(out, text, kPathSize);
    for (const PathVariable& v : kVariables) {
        char folder[kPathSize];
        if (FolderText(v, folder)) StdPlus_ReplaceText(out, kPathSize, v.name, folder);
    }
    if (strcmp(out, kSameFolder) == 0) out[0] = '\0';
    return out;
}
