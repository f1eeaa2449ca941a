#include "options/info_pages.h"

#include <windows.h>

#include <cstdio>
#include <string>

#include "options/options_ids.h"

// The version as the program file's version resource states it, so that the page and the
// file's properties never disagree.
static std::string ProductVersion() {
    char program[MAX_PATH];
    GetModuleFileNameA(nullptr, program, sizeof program);
    DWORD ignored = 0;
    DWORD size = GetFileVersionInfoSizeA(program, &ignored);
    if (size == 0) return "";
    std::string block(size, '\0');
    if (!GetFileVersionInfoA(program, 0, size, &block[0])) return "";
    char* value = nullptr;
    UINT length = 0;
    if (!VerQueryValueA(&block[0], "\\StringFileInfo\\041103A4\\ProductVersion",
                        reinterpret_cast<void**>(&value), &length) ||
        value == nullptr)
        return "";
    return value;
}

Options_VersionPageWindow::Options_VersionPageWindow() : Dialog_Page(IDD_VERSION_PAGE) {}

void Options_VersionPageWindow::OnInit() {
    std::string version = ProductVersion();
    char text[64];
    snprintf(text, sizeof text, "Version %s", version.c_str());
    Dialog_SetText(Window(), IDC_VERSION_NUMBER, text);
}
