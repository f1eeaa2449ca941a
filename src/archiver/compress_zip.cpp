// ZIP archives through zip32.dll's own interface: options, a block of names, one call.
#include <cstdio>
#include <cstring>

#include "archiver/compress_local.h"
#include "archiver/zip32_api.h"
#include "lib/errors.h"
#include "lib/filex.h"
#include "lib/stdplus.h"
#include "lib/strx.h"

namespace CompressX {

namespace {

// The names handed to ZpArchive live in one block: the pointer array, then the names.
enum { kNameBlockSize = 65536 };
alignas(char*) char g_name_block[kNameBlockSize];

const char* const kInfoZipTexts[] = {
    "",
    "",
    "Unexpected end of zip file",
    "Zip file structure invalid",
    "Out of memory",
    "Internal logic error",
    "Entry too big to split",
    "Invalid comment format",
    "Zip file invalid or could not spawn unzip",
    "Interrupted",
    "Temporary file failure",
    "Input file read failure",
    "Nothing to do!",
    "Missing or empty zip file",
    "Output file write failure",
    "Could not create output file",
    "Invalid command arguments",
    "",
    "File not found or no read permission",
};
const int kInfoZipLast = sizeof kInfoZipTexts / sizeof kInfoZipTexts[0] - 1;

void RaiseInfoZip(int result) {
    if (result == -1) ERRORS_RAISE(Zent_Err_InfoZipMiss, "InfoZip miss");
    if (result >= 1 && result <= kInfoZipLast)
        Errors_Raise(__FILE_NAME__, __LINE__, Zent_Err_InfoZipFirst + result,
                     "Zent_Err_InfoZipFirst + code", "InfoZip error (%d) %s", result,
                     kInfoZipTexts[result]);
    ERRORS_RAISE(Zent_Err_InfoZipUnknown, "InfoZip unknown error");
}

// The DLL's text goes to standard output in one write. The C library writes an unbuffered
// stream (the null device, a console) one character per call, each a round trip to the
// system under Wine, and the DLL prints a line for every file it adds.
void WriteOut(const char* text) {
    HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
    if (out == nullptr || out == INVALID_HANDLE_VALUE) return;
    DWORD written;
    WriteFile(out, text, static_cast<DWORD>(strlen(text)), &written, nullptr);
}

int WINAPI PrintText(LPSTR text, unsigned long size) {
    if (text != nullptr) WriteOut(text);
    return static_cast<int>(size);
}

LPSTR WINAPI NoComment(LPSTR comment) {
    if (comment != nullptr) comment[0] = '\0';
    return comment;
}

int WINAPI NoPassword(LPSTR, int, LPCSTR, LPCSTR) {
    return 1;
}

// The DLL works in `root`: the first item's parent, or the folder itself when its content
// alone is stored.
bool ContentOnly(const Job& job) {
    return !job.store_folder && job.first_is_folder;
}

void RaiseTooManyNames() {
    ERRORS_RAISE(Errors_Unofficial,
                 "圧縮するファイルの名前が多すぎて、zip32.dll に一度に渡せません。");
}

// Fills the name block: every item relative to root ("*" for the folder whose content alone
// is stored). A list that does not fit is refused before the DLL sees any of it.
char** FillNames(const Job& job, const char* root) {
    memset(g_name_block, 0, sizeof g_name_block);
    size_t used = sizeof(char*) * static_cast<size_t>(job.count);
    if (used > sizeof g_name_block) RaiseTooManyNames();
    char** names = reinterpret_cast<char**>(g_name_block);
    StrX_Args items;
    StrX_ArgsInit(&items, job.sources);
    for (int i = 0; i < job.count; i++, StrX_ArgsNext(&items)) {
        char name[kPath];
        StdPlus_CopyN(name, StrX_ArgsCurrent(&items), sizeof name);
        if (i == 0 && ContentOnly(job)) {
            strcpy(name, "*");
        } else {
            StrX_MakeRelative(name, sizeof name, root);
        }
        size_t length = strlen(name) + 1;
        if (length > sizeof g_name_block - used) RaiseTooManyNames();
        names[i] = g_name_block + used;
        memcpy(names[i], name, length);
        used += length;
    }
    return names;
}

struct ZipExports {
    Zent_ZpVersionFn version;
    Zent_ZpInitFn init;
    Zent_ZpSetOptionsFn set_options;
    Zent_ZpArchiveFn archive;
};

ZipExports Resolve(const Zent_LoadedDll& dll) {
    ZipExports x;
    x.version = dll.Get<Zent_ZpVersionFn>("ZpVersion");
    x.init = dll.Get<Zent_ZpInitFn>("ZpInit");
    x.set_options = dll.Get<Zent_ZpSetOptionsFn>("ZpSetOptions");
    x.archive = dll.Get<Zent_ZpArchiveFn>("ZpArchive");
    return x;
}

void Prepare(const ZipExports& x, char* root) {
    Zent_ZpVer version{};
    version.structlen = sizeof version;
    x.version(&version);
    char line[64];
    snprintf(line, sizeof line, "version = %d.%d\n", version.zip.major, version.zip.minor);
    WriteOut(line);
    Zent_ZpUserFunctions functions{};
    functions.print = PrintText;
    functions.comment = NoComment;
    functions.password = NoPassword;
    if (!x.init(&functions)) ERRORS_RAISE(Errors_Unofficial, "error");
    Zent_ZpOptions options{};
    options.root_dir = root;
    options.system = TRUE;
    options.extra = TRUE;
    options.recurse = 1;
    x.set_options(&options);
}

}  // namespace

void CompressZip(const Job& job, Zent_DllId dll) {
    if (job.self_extract) ERRORS_RAISE(Errors_Unofficial, "error");
    if (FileX_Exists(job.archive) && !job.update) AskOverwrite(job.owner, job.archive, nullptr);

    Zent_DllFrame frame(dll, Zent_Dll(dll).compress.missing);
    char parent[kPath], root[kPath];
    StrX_ParentDir(parent, job.first);
    StdPlus_CopyN(root, ContentOnly(job) ? job.first : parent, sizeof root);
    KeepCurrentDir keep;
    SetCurrentDir(parent);
    ZipExports x = Resolve(frame.Dll());
    Prepare(x, root);
    char** names = FillNames(job, root);

    Scratch scratch;
    char temp[kPath];
    TemporaryBeside(job.archive, temp);
    scratch.Add(temp);
    int result = x.archive(job.count, temp, names);
    if (result != 0) RaiseInfoZip(result);
    Replace(job.archive, temp);
    Report(job, job.archive);
}

}  // namespace CompressX
