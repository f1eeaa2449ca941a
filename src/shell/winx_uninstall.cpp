// The program's entry in Windows' list of installed programs, and the removal of its own
// folder by a script that runs once the program has ended.

#include "winx_uninstall.h"
#include <windows.h>

#include <cstdio>
#include <cstring>

#include "lib/filex.h"
#include "lib/stdplus.h"
#include "lib/strx.h"
#include "winx_folders.h"
#include "winx_launch.h"
#include "winx_local.h"

static void UninstallKey(char* out, size_t size, const char* key_name) {
    snprintf(out, size, "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\%s", key_name);
}

static void SetText(HKEY key, const char* name, const char* text) {
    // With the terminating NUL, as Windows expects of REG_SZ data.
    LONG rc = RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text),
                             static_cast<DWORD>(strlen(text) + 1));
    if (rc != ERROR_SUCCESS) WINX_API_ERROR(rc);
}

void WinX_RegisterUninstall(const char* key_name, const char* display_name,
                            const char* uninstall_command) {
    char path[512];
    UninstallKey(path, sizeof path, key_name);
    Own_Key key;
    LONG rc = RegCreateKeyExA(HKEY_LOCAL_MACHINE, path, 0, nullptr, REG_OPTION_NON_VOLATILE,
                              KEY_ALL_ACCESS, nullptr, key.Out(), nullptr);
    if (rc != ERROR_SUCCESS) WINX_API_ERROR(rc);
    SetText(key.Get(), "DisplayName", display_name);
    SetText(key.Get(), "UninstallString", uninstall_command);
    rc = key.Close();
    if (rc != ERROR_SUCCESS) WINX_API_ERROR(rc);
}

void WinX_UnregisterUninstall(const char* key_name) {
    char path[512];
    UninstallKey(path, sizeof path, key_name);
    LONG rc = RegDeleteKeyA(HKEY_LOCAL_MACHINE, path);
    if (rc != ERROR_SUCCESS && rc != ERROR_FILE_NOT_FOUND) WINX_API_ERROR(rc);
}

// ---- Removing the program's folder -------------------------------------------------------

// The script retries while the folder is still in use (error 70: the program has not ended
// yet) and asks every 2,000 tries; a wrong path (error 76) ends it. It deletes itself last.
static void WriteScript(const char* script, const char* folder, const char* title) {
    FILE* f = FileX_Open(script, "w");
    fprintf(f, "Set fs = CreateObject( \"Scripting.FileSystemObject\" )\n");
    fprintf(f, "On Error Resume Next\n");
    fprintf(f, "Dim I\n");
    fprintf(f, "I = 0\n");
    fprintf(f, "Do\n");
    fprintf(f, "  Err.Clear\n");
    fprintf(f, "  fs.DeleteFolder \"%s\", True\n", folder);
    fprintf(f, "  If Err.Number = 76 Then\n");
    fprintf(f, "    MsgBox \"パスの指定が間違っています : %s\"\n", folder);
    fprintf(f, "  End If\n");
    fprintf(f, "  If Err.Number = 70 Then\n");
    fprintf(f, "    I = I+ 1\n");
    fprintf(f, "    If I = 2000 Then\n");
    fprintf(f,
            "      If MsgBox( \"削除が拒否されました。%s "
            "の中にあるファイルかプロンプトを閉じて「再試行」を押してください。\",vbRetryCancel + "
            "vbExclamation, \"アンインストール - %s\" ) = vbCancel Then\n",
            folder, title);
    fprintf(f, "        Exit Do\n");
    fprintf(f, "      End If\n");
    fprintf(f, "      I = 0\n");
    fprintf(f, "    End If\n");
    fprintf(f, "  End If\n");
    fprintf(f, "Loop While Err.Number = 70\n");
    fprintf(f, "If Err.Number = 0 Then\n");
    fprintf(f,
            "  MsgBox \"アンインストールが完了しました。\", vbOKOnly, \"アンインストール - %s\"\n",
            title);
    fprintf(f, "Else\n");
    fprintf(
        f,
        "  MsgBox \"アンインストールは正常に完了しませんでした。\", vbOKOnly, \"アンインストール "
        "- %s\"\n",
        title);
    fprintf(f, "End If\n");
    fprintf(f, "fs.DeleteFile \"%s\", True\n", script);
    bool failed = ferror(f) != 0;
    if (fclose(f) != 0 || failed)
        ERRORS_RAISE(FileX_Err_CannotWrite, "ファイル \"%s\" が書きこめません", script);
}

// The folder stays; the user is told why and shown it.
static bool LeaveToUser(const char* text, const char* folder) {
    MessageBoxA(nullptr, text, "アンインストール完了", MB_OK);
    WinX_ExploreTree(folder);
    return true;
}

bool WinX_RemoveProgramFolder(const char* folder, const char* title, const char* expected_name) {
    const char* host = WinX_FindWScript();
    if (host == nullptr)
        return LeaveToUser(
            "アンインストールが完了しました。\r\n\r\n"
            "ただし、実行ファイルのある（次に表示される）フォルダは、手動で削除して"
            "ください。",
            folder);
    char script_host[StrX_PathSize];
    StdPlus_CopyN(script_host, host, sizeof script_host);
    // Never delete a folder that is not plainly the program's own.
    if (lstrcmpiA(StrX_FileName(folder), expected_name) != 0) {
        char text[512];
        snprintf(text, sizeof text,
                 "アンインストールが完了しました。\r\n\r\n"
                 "ただし、削除するフォルダ名が、アプリケーションが想定した名前（%s）と異なるため削"
                 "除しませんでした。\r\n次に表示されるフォルダを確認して、手動で削除してください。",
                 expected_name);
        return LeaveToUser(text, folder);
    }
    char script[StrX_PathSize] = "uninst.vbs";
    const char* temp = WinX_TempDir();
    StrX_MakeAbsolute(script, sizeof script, temp != nullptr ? temp : "");
    WriteScript(script, folder, title);

    // No process started from here may sit in the folder being deleted.
    char host_dir[StrX_PathSize];
    StrX_ParentDir(host_dir, script_host);
    SetCurrentDirectoryA(host_dir);
    char command[StrX_PathSize * 2 + 8];
    snprintf(command, sizeof command, "\"%s\" \"%s\"", script_host, script);
    WinExec(command, SW_SHOWNORMAL);
    return true;
}
