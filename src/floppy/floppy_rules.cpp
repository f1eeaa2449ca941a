#include "floppy/floppy.h"

#include <cstdio>
#include <cstring>

// A 3.5" high-density disk holds 1,457,664 bytes; anything above 1.5 MB is another drive.
enum : unsigned long long { kLargestFloppy = 0x17FFFF };

Floppy_DriveKind Floppy_KindOf(bool present, const FileX_DiskSpace& space) {
    if (!present) return Floppy_NoDrive;
    if (space.total_clusters != 0 && FileX_TotalBytes(&space) > kLargestFloppy)
        return Floppy_LargeDrive;
    return Floppy_FloppySize;
}

static void ShowOptions(Floppy_View* view, bool delete_all, bool others, int option) {
    view->option_enabled[Floppy_DeleteAll] = delete_all;
    view->option_enabled[Floppy_Keep] = others;
    view->option_enabled[Floppy_EditFirst] = others;
    view->option = option;
}

Floppy_View Floppy_ViewOf(const Floppy_State& state, Floppy_DriveKind kind,
                          unsigned long long free_bytes) {
    Floppy_View view{};
    if (state.finished) {
        snprintf(view.disk_line, sizeof view.disk_line,
                 "1 枚目のフロッピーをもう一度入れてください。");
        snprintf(view.rest_line, sizeof view.rest_line, "分割結果の構成を記録します。");
    } else {
        char free_text[32], rest_text[32];
        snprintf(view.disk_line, sizeof view.disk_line, "%d 枚目のフロッピー  空き容量：%s",
                 state.disk, Floppy_FormatSize(free_bytes, free_text, sizeof free_text));
        snprintf(view.rest_line, sizeof view.rest_line, "圧縮ファイルの残りサイズ：%s",
                 Floppy_FormatSize(static_cast<unsigned long long>(state.remaining), rest_text,
                                   sizeof rest_text));
    }
    // The last step only rewrites the first disk's description: nothing there is deleted.
    if (state.finished) {
        ShowOptions(&view, false, false, Floppy_Keep);
        view.execute_enabled = true;
    } else if (kind == Floppy_LargeDrive) {
        ShowOptions(&view, false, true, Floppy_Keep);
        view.execute_enabled = true;
    } else if (kind == Floppy_FloppySize) {
        ShowOptions(&view, true, true, Floppy_DeleteAll);
        view.execute_enabled = true;
    } else {
        ShowOptions(&view, false, false, Floppy_Keep);
        view.no_content = true;
    }
    view.joiner_enabled = state.disk == 1 && !state.finished;
    view.joiner_checked = view.joiner_enabled;
    return view;
}

char* Floppy_FormatSize(unsigned long long size, char* out, size_t out_size) {
    snprintf(out, out_size, "%llu.%lluKB", size / 1024, size % 1024 / 103);
    return out;
}

bool Floppy_IsProtectedName(const char* name) {
    static const char* const kProtected[] = {
        "autoexec.bat", "config.sys", "command.com", "msdos.sys", "io.sys", ".", ".."};
    for (const char* protected_name : kProtected) {
        if (_stricmp(name, protected_name) == 0) return true;
    }
    return false;
}
