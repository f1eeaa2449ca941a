// The self-extracting program that the stand-ins put in front of an archive (LZH, cabinet,
// 7z or our YZ1 container). It asks the question of an "!" entry, if any, and extracts the
// rest into the folder named by "$InstallDir=" of a "$" entry, or else into its own folder;
// "$Command=" is then run there.
#include <windows.h>

#include <string>
#include <vector>

#include "../engine/api.h"
#include "../engine/formats.h"
#include "../engine/sfx.h"
#include "../engine/util.h"

using namespace arc;

namespace {

struct Settings {
    std::string title = "自己解凍";
    std::string folder;
    std::string command;
};

std::string Setting(const std::string& text, const std::string& key) {
    size_t at = text.find(key + "=");
    if (at == std::string::npos) return "";
    size_t from = at + key.size() + 1, to = text.find_first_of("\r\n", from);
    return text.substr(from, to == std::string::npos ? std::string::npos : to - from);
}

int Fail(const Settings& s, const char* what) {
    MessageBoxA(nullptr, what, s.title.c_str(), MB_OK | MB_ICONERROR);
    return 1;
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    char self[MAX_PATH];
    GetModuleFileNameA(nullptr, self, sizeof self);
    Settings settings;
    Archive archive;
    size_t start = 0, end = 0;
    std::vector<uint8_t> exe;
    if (!ReadWholeFile(self, exe) || !Sfx_Find(exe, &start, &end))
        return Fail(settings, "書庫が見つかりません。");
    archive.path = self;
    archive.bytes = Bytes(exe.begin() + long(start), exe.begin() + long(end));
    for (const Format* format : {&kLzhFormat, &kCabFormat, &kSevenZipFormat, &kYz1Format}) {
        if (format->sniff(archive)) archive.format = format;
    }
    if (archive.format == nullptr || archive.format->parse(archive) != kOk)
        return Fail(settings, "書庫が壊れています。");
    const Format& format = *archive.format;

    std::string question;
    std::vector<uint8_t> content;
    for (const Entry& e : archive.entries) {
        if (e.name != "!" && e.name != "$") continue;
        if (format.decode(archive, e, content) != kOk)
            return Fail(settings, "書庫が壊れています。");
        std::string text(content.begin(), content.end());
        if (e.name == "!") question = text;
        if (e.name == "$") {
            if (!Setting(text, "$WindowTitle").empty())
                settings.title = Setting(text, "$WindowTitle");
            settings.folder = Setting(text, "$InstallDir");
            settings.command = Setting(text, "$Command");
        }
    }
    if (!question.empty() && MessageBoxA(nullptr, question.c_str(), settings.title.c_str(),
                                         MB_YESNO | MB_ICONQUESTION) != IDYES)
        return 2;
    if (settings.folder.empty()) {
        settings.folder = self;
        settings.folder = settings.folder.substr(0, settings.folder.find_last_of('\\'));
    }
    if (!MakeDirs(settings.folder) || !SetCurrentDirectoryA(settings.folder.c_str()))
        return Fail(settings, "展開先のフォルダを作れません。");

    std::vector<Entry> payload;
    for (const Entry& e : archive.entries)
        if (e.name != "!" && e.name != "$") payload.push_back(e);
    archive.entries.swap(payload);
    EntryPacer pacer{StubHooks()};
    std::string report;
    if (ExtractAll(archive, {}, true, pacer, report) != kOk)
        return Fail(settings, "展開できませんでした。");

    if (!settings.command.empty()) {
        STARTUPINFOA si = {};
        si.cb = sizeof si;
        PROCESS_INFORMATION pi;
        std::string line = settings.command;
        if (CreateProcessA(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr,
                           settings.folder.c_str(), &si, &pi)) {
            CloseHandle(pi.hThread);
            CloseHandle(pi.hProcess);
        }
    }
    return 0;
}
