// Starting other programs: Explorer in its three command forms, documents through their
// file type's verbs, and pages in the registered web browser. Nothing here waits for the
// started program.

#include "winx_launch.h"
#include "winx_errors.h"
#include "winx_folders.h"
#include "winx_registry.h"

#include <dde.h>
#include <ddeml.h>
#include <shellapi.h>

#include <cstdio>
#include <cstring>

#include "lib/except3.h"
#include "lib/filex.h"
#include "lib/stdplus.h"
#include "lib/strx.h"
#include "winx_local.h"

// ---- Explorer ------------------------------------------------------------------------

static UINT RunExplorer(const char* arguments_format, const char* path) {
    const char* windir = WinX_WindowsDir();
    char fallback[MAX_PATH];
    if (windir == nullptr) {
        // Without "windir" the system's own Windows folder is the best guess.
        GetWindowsDirectoryA(fallback, sizeof fallback);
        windir = fallback;
    }
    char arguments[520];
    snprintf(arguments, sizeof arguments, arguments_format, path);
    char line[520];
    snprintf(line, sizeof line, "%s\\explorer.exe %s", windir, arguments);
    return WinExec(line, SW_SHOWNORMAL);
}

UINT WinX_ExplorePlain(const char* path) {
    return RunExplorer("\"%s\"", path);
}
UINT WinX_ExploreTree(const char* path) {
    return RunExplorer("/e,\"%s\"", path);
}

UINT WinX_Explore(const char* path, bool tree, bool root) {
    if (!tree) return WinX_ExplorePlain(path);
    if (!root) return WinX_ExploreTree(path);
    return RunExplorer("/e,/root,\"%s\"", path);
}

// ---- Documents -----------------------------------------------------------------------

// ShellExecute's result: 31 means the type has no program registered for the verb, which
// callers treat as "open the folder instead"; anything else at or below 32 failed.
static void RaiseUnlessStarted(INT_PTR code, const char* file, const char* parameters) {
    if (code > 32) return;
    if (code == SE_ERR_NOASSOC)
        ERRORS_RAISE(WinX_Err_NoRegKey, "レジストリのキー「.%s」が見つかりません。",
                     StrX_Ext(file));
    bool with = parameters != nullptr && parameters[0] != '\0';
    ERRORS_RAISE(Zent_Err_FailToExecCmd, "コマンド %s%s%s の実行に失敗しました。", file,
                 with ? " " : "", with ? parameters : "");
}

void WinX_Execute(const char* verb, const char* file, const char* parameters, const char* folder) {
    HINSTANCE result = ShellExecuteA(nullptr, verb, file, parameters, folder, SW_SHOWNORMAL);
    RaiseUnlessStarted(reinterpret_cast<INT_PTR>(result), file, parameters);
}

void WinX_ShellOpenVerb(const char* file, const char* verb) {
    WinX_Execute(verb, file, "", ".");
}

// The default value of an open key, "" when it has none.
static void KeyDefault(HKEY key, char* out, DWORD size) {
    DWORD got = size;
    DWORD type = 0;
    if (RegQueryValueExA(key, nullptr, nullptr, &type, reinterpret_cast<BYTE*>(out), &got) !=
            ERROR_SUCCESS ||
        type != REG_SZ) {
        out[0] = '\0';
        return;
    }
    out[got < size ? got : size - 1] = '\0';
}

static void OpenShellKey(const char* program_id, Own_Key* key) {
    char path[300];
    snprintf(path, sizeof path, "%s\\shell", program_id);
    LONG rc = RegOpenKeyExA(HKEY_CLASSES_ROOT, path, 0, KEY_READ, key->Out());
    if (rc != ERROR_SUCCESS) WinX_RaiseApiError(rc);
}

// The program id registered for the file's extension; "*" when there is none.
static void ProgramIdOf(const char* file, char* program_id, DWORD size) {
    const char* dot = strrchr(file, '.');
    char ext_key[MAX_PATH];
    snprintf(ext_key, sizeof ext_key, ".%s", dot != nullptr ? dot + 1 : "");
    StdPlus_CopyN(program_id, "*", size);
    Except_TryCatch(
        __FILE__, __LINE__,
        [&] {
            WinX_RegValue value = {0, program_id, 0, size};
            WinX_RegRead(HKEY_CLASSES_ROOT, ext_key, true, &value);
            program_id[value.size < size ? value.size : size - 1] = '\0';
        },
        [&] {
            // An extension key without a program id is as good as none: falling back to
            // "*" beats failing the whole open.
            int code = Except_Error()->code;
            if (code != WinX_Err_NoRegKey && code != WinX_Err_NoRegData) Except_Rethrow();
            StdPlus_CopyN(program_id, "*", size);
        });
    if (program_id[0] == '\0') StdPlus_CopyN(program_id, "*", size);
}

void WinX_DefaultVerb(const char* file, char* verb, size_t size) {
    verb[0] = '\0';
    if (StrX_Fragment(file)[0] != '\0') return;
    char program_id[256];
    ProgramIdOf(file, program_id, sizeof program_id);
    char found[256];
    {
        Own_Key shell;
        OpenShellKey(program_id, &shell);
        KeyDefault(shell.Get(), found, sizeof found);
        if (found[0] != '\0') {
            StdPlus_CopyN(verb, found, size);
            return;
        }
        for (DWORD i = 0;; i++) {
            DWORD length = sizeof found;
            if (RegEnumKeyExA(shell.Get(), i, found, &length, nullptr, nullptr, nullptr, nullptr) !=
                ERROR_SUCCESS)
                break;
            if (strcmp(found, "open") == 0) {
                StdPlus_CopyN(verb, "open", size);
                return;
            }
        }
    }
    Own_Key all;
    OpenShellKey("*", &all);
    KeyDefault(all.Get(), found, sizeof found);
    if (found[0] == '\0') {
        DWORD length = sizeof found;
        if (RegEnumKeyExA(all.Get(), 0, found, &length, nullptr, nullptr, nullptr, nullptr) !=
            ERROR_SUCCESS)
            found[0] = '\0';
    }
    StdPlus_CopyN(verb, found, size);
}

static void OpenDefaultIn(const char* file, const char* folder) {
    if (StrX_Fragment(file)[0] != '\0') {
        // Windows drops the anchor of a file it opens; the browser keeps it.
        RaiseUnlessStarted(WinX_OpenUrl(file, true), file, nullptr);
        return;
    }
    char verb[256];
    WinX_DefaultVerb(file, verb, sizeof verb);
    WinX_Execute(verb, file, "", folder);
}

void WinX_ShellOpenDefault(const char* file) {
    OpenDefaultIn(file, ".");
}

// ---- Commands ------------------------------------------------------------------------

void WinX_StartCommand(const WinX_Command* command, bool tree) {
    const char* program = command->program;
    bool bare = command->parameters[0] == '\0';
    if (bare && !command->viewer) {
        if (FileX_IsDir(program)) {
            WinX_Explore(program, tree, false);
            return;
        }
        if (FileX_Exists(program) || StrX_Fragment(program)[0] != '\0') {
            OpenDefaultIn(program, command->folder);
            return;
        }
    }
    WinX_Execute(nullptr, program, bare ? nullptr : command->parameters, command->folder);
}

// ---- Web pages -----------------------------------------------------------------------

// A local path becomes a file address; anything else (an http address) stays as it is.
static void PageAddress(const char* target, char* out, size_t size) {
    bool local = (target[0] == '/' && target[1] == '/') ||
                 (target[0] == '\\' && target[1] == '\\') ||
                 (target[0] != '\0' && target[1] == ':');
    if (local) {
        char url[StrX_PathSize];
        StrX_ToFileUrl(url, target);
        StdPlus_CopyN(out, url, size);
    } else {
        StdPlus_CopyN(out, target, size);
    }
}

static const char* const kRedirectPage[] = {
    "<HTML>",
    "<HEAD>",
    "  <META HTTP-EQUIV=\"Content-Type\" CONTENT=\"text/html;CHARSET=x-sjis\">",
    "  <TITLE>移動中</TITLE>",
    "</HEAD>",
    "",
    "<BODY onLoad=\"setTimeout('nextp()',1000)\" BGCOLOR=\"#ffffff\">",
    "",
    "<SCRIPT LANGUAGE=\"JavaScript\">",
    "<!--",
    "function nextp(){location.href=\"%s\"}",
    "//-->",
    "</SCRIPT>",
    "",
    "<P><CENTER></CENTER>",
    "<CENTER>",
    "",
    "<P><A href=\"%s\">ジャンプしています</A><P>",
    "",
    "</CENTER>",
    "</BODY>",
    "</HTML>",
};

// Writes the page that sends the browser on to the address, anchor included, and returns
// its path in page.
static void WriteRedirectPage(const char* address, char* page, size_t size) {
    // Without TEMP the numbered name falls back to the system's temporary folder.
    const char* temp = WinX_TempDir();
    char name[StrX_PathSize];
    FileX_NumberedName(temp != nullptr ? temp : "", "url", "htm", name);
    StdPlus_CopyN(page, name, size);
    FILE* f = FileX_Open(page, "wt");
    bool ok = true;
    for (const char* line : kRedirectPage) {
        if (strstr(line, "%s") != nullptr) {
            ok = fprintf(f, line, address) >= 0 && ok;
        } else {
            ok = fputs(line, f) >= 0 && ok;
        }
        ok = fputc('\n', f) != EOF && ok;
    }
    if (fclose(f) != 0 || !ok)
        ERRORS_RAISE(FileX_Err_CannotWrite, "ファイル \"%s\" が書きこめません", page);
}

static void ReadClassDefault(const char* key, char* out, DWORD size) {
    WinX_RegValue value = {0, out, 0, size};
    WinX_RegRead(HKEY_CLASSES_ROOT, key, true, &value);
    out[value.size < size ? value.size : size - 1] = '\0';
}

UINT WinX_OpenUrl(const char* target, bool by_command) {
    char shown[520];
    if (StrX_Fragment(target)[0] != '\0') {
        char address[MAX_PATH];
        PageAddress(target, address, sizeof address);
        WriteRedirectPage(address, shown, sizeof shown);
    } else {
        StdPlus_CopyN(shown, target, sizeof shown);
    }
    char command[512];
    char ddeexec[512];
    char application[512];
    char topic[512];
    ReadClassDefault("http\\shell\\open\\command", command, sizeof command);
    ReadClassDefault("http\\shell\\open\\ddeexec", ddeexec, sizeof ddeexec);
    ReadClassDefault("http\\shell\\open\\ddeexec\\Application", application, sizeof application);
    ReadClassDefault("http\\shell\\open\\ddeexec\\Topic", topic, sizeof topic);
    if (!by_command) {
        StdPlus_ReplaceText(ddeexec, sizeof ddeexec, "%1", shown);
        WinX_DdeCall(command, application, topic, ddeexec, static_cast<int>(strlen(ddeexec)), 0);
        return 33;  // handed over; a failure would have been raised
    }
    char line[520];
    StdPlus_CopyN(line, command, sizeof line);
    if (strstr(line, "%1") != nullptr) {
        StdPlus_ReplaceText(line, sizeof line, "%1", shown);
    } else {
        size_t len = strlen(line);
        snprintf(line + len, sizeof line - len, " %s", shown);
    }
    return WinExec(line, SW_SHOWNORMAL);
}

// ---- DDE -----------------------------------------------------------------------------

static DWORD g_dde_instance;

static const char* DdeErrorName(UINT code) {
    static const char* const kNames[] = {
        "DMLERR_ADVACKTIMEOUT",       "DMLERR_BUSY",
        "DMLERR_DATAACKTIMEOUT",      "DMLERR_NOT_INITIALIZED",
        "DMLERR_DLL_USAGE",           "DMLERR_EXECACKTIMEOUT",
        "DMLERR_INVALIDPARAMETER",    "DMLERR_LOW_MEMORY",
        "DMLERR_MEMORY_ERROR",        "DMLERR_NOTPROCESSED",
        "DMLERR_NO_CONV_ESTABLISHED", "DMLERR_POKEACKTIMEOUT",
        "DMLERR_POSTMSG_FAILED",      "DMLERR_REENTRANCY",
        "DMLERR_SERVER_DIED",         "DMLERR_SYS_ERROR",
        "DMLERR_UNADVACKTIMEOUT",     "DMLERR_UNFOUND_QUEUE_ID",
    };
    if (code < 0x4000 || code > 0x4011) return "unknown";
    return kNames[code - 0x4000];
}

#define WINX_DDE_ERROR(code)                                                             \
    ERRORS_RAISE(Errors_Unofficial, "WinX: DDE Error : %s in %s:%d", DdeErrorName(code), \
                 __FILE_NAME__, __LINE__)

static HDDEDATA CALLBACK DdeClientCallback(UINT type, UINT, HCONV, HSZ, HSZ, HDDEDATA, ULONG_PTR,
                                           ULONG_PTR) {
    return type == XTYP_ADVDATA ? reinterpret_cast<HDDEDATA>(DDE_FACK) : nullptr;
}

// Everything a DDE call holds, released on every way out, the raised ones included.
struct DdeSession {
    HSZ service = nullptr;
    HSZ topic = nullptr;
    HSZ item = nullptr;
    HCONV conversation = nullptr;
    ~DdeSession() {
        if (g_dde_instance == 0) return;
        if (conversation != nullptr) DdeDisconnect(conversation);
        if (item != nullptr) DdeFreeStringHandle(g_dde_instance, item);
        if (topic != nullptr) DdeFreeStringHandle(g_dde_instance, topic);
        if (service != nullptr) DdeFreeStringHandle(g_dde_instance, service);
        DdeUninitialize(g_dde_instance);
        g_dde_instance = 0;
    }
};

static void StartServer(const char* command_line) {
    char line[520];
    StdPlus_CopyN(line, command_line, sizeof line);
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_SHOWNORMAL;
    PROCESS_INFORMATION info{};
    if (!CreateProcessA(nullptr, line, nullptr, nullptr, FALSE, NORMAL_PRIORITY_CLASS, nullptr,
                        nullptr, &startup, &info))
        WinX_RaiseLastError();
    WaitForInputIdle(info.hProcess, INFINITE);
    CloseHandle(info.hThread);
    CloseHandle(info.hProcess);
}

// A server that keeps answering "not processed" is asked again, but not for ever.
enum { kExecuteTries = 50 };

void WinX_DdeCall(const char* command_line, const char* service, const char* topic,
                  const char* data, int length, int mode) {
    DWORD instance = 0;
    UINT rc = DdeInitializeA(&instance, DdeClientCallback, APPCMD_CLIENTONLY, 0);
    if (rc != DMLERR_NO_ERROR) WINX_DDE_ERROR(rc);
    g_dde_instance = instance;
    DdeSession session;
    session.service = DdeCreateStringHandleA(instance, service, CP_WINANSI);
    session.topic = DdeCreateStringHandleA(instance, topic, CP_WINANSI);
    session.conversation = DdeConnect(instance, session.service, session.topic, nullptr);
    if (session.conversation == nullptr) {
        StartServer(command_line);
        session.conversation = DdeConnect(instance, session.service, session.topic, nullptr);
        if (session.conversation == nullptr) WINX_DDE_ERROR(DdeGetLastError(instance));
    }
    if (mode == 0) {
        char item[520];
        int n = length < static_cast<int>(sizeof item) - 1 ? length : sizeof item - 1;
        memcpy(item, data, n);
        item[n] = '\0';
        session.item = DdeCreateStringHandleA(instance, item, CP_WINANSI);
        HDDEDATA answer = DdeClientTransaction(nullptr, 0, session.conversation, session.item,
                                               CF_TEXT, XTYP_REQUEST, 1000, nullptr);
        if (answer != nullptr) DdeFreeDataHandle(answer);
        return;
    }
    for (int tries = 1;; tries++) {
        DWORD flags = 0;
        HDDEDATA done = DdeClientTransaction(reinterpret_cast<BYTE*>(const_cast<char*>(data)),
                                             static_cast<DWORD>(length), session.conversation,
                                             nullptr, 0, XTYP_EXECUTE, 10000, &flags);
        if (done != nullptr) return;
        UINT error = DdeGetLastError(instance);
        if (flags == 0 || error != DMLERR_NOTPROCESSED || tries >= kExecuteTries)
            WINX_DDE_ERROR(error);
    }
}
