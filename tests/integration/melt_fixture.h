#pragma once
// dovetrim.exe as Explorer starts it, in a private program folder with the archiver DLLs:
// the desktop redirected so the cache lands in a temporary folder, and a fake Windows folder
// whose explorer.exe records what it was asked to show. AutoOpenProgram adds documents of
// .txt, .htm and .doc that open with a recorder copy.
#include <gtest/gtest.h>

#include <string>

#include "../support/child_process.h"
#include "../support/gui_driver.h"
#include "../support/registry_env.h"
#include "../support/test_folders.h"
#include "settings/settings.h"

namespace melt_fixture {

using namespace testing_support;

const char kShellFolders[] =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
const char* const kProgramFiles[] = {"dovetrim.exe", "7-ZIP32.DLL", "CAB32.DLL",   "TAR32.DLL",
                                     "UNARJ32J.DLL", "UNGCA32.DLL", "UNLHA32.DLL", "UNRAR.DLL",
                                     "UNZIP32.DLL",  "YZ1.DLL",     "zip32.dll"};

class MeltProgram : public testing::Test {
protected:
    MeltProgram() : desktop_value(HKEY_CURRENT_USER, kShellFolders, "Desktop", dir / "desk") {
        for (const char* name : {"desk", "prog", "win", "dl", "cwd"})
            CreateDirectoryA((dir / name).c_str(), nullptr);
        for (const char* name : kProgramFiles) {
            if (!CopyFileA(BinPath(name).c_str(), (dir / "prog\\" + name).c_str(), FALSE))
                ADD_FAILURE() << "cannot copy " << name << ": error " << GetLastError();
        }
        CopyFileA(BinPath("recorder.exe").c_str(), (dir / "win\\explorer.exe").c_str(), FALSE);
        archive = dir / "dl\\doc-top.lzh";
        CopyFileA((DataDir() + "\\doc-top.lzh").c_str(), archive.c_str(), FALSE);
        cache = dir / "desk\\Archives Cache";
    }
    // A fixture under another name, as a user's download would be called.
    std::string Download(const std::string& fixture, const std::string& as = "") {
        std::string path = dir / "dl\\" + (as.empty() ? fixture : as);
        CopyFileA((DataDir() + "\\" + fixture).c_str(), path.c_str(), FALSE);
        return path;
    }
    Environment Env(const std::string& stub = "") const {
        return {{"windir", dir / "win"},
                {"QUARVEL_RECORDER_LOG", log},
                {"ARCHIVER_STUB", stub.empty() ? "log:" + calls : stub + ",log:" + calls}};
    }
    ChildProcess Start(const std::string& args, const std::string& stub = "") {
        return StartProgram(dir / "prog\\" + program, args, Env(stub), cwd);
    }
    // The settings of the program folder: what a double click does and where it extracts.
    void Configure(int default_action, int destination, const std::string& folder = "prog") {
        static Zent_Settings settings;
        std::string ini = dir / folder + "\\dovetrim.ini";
        Zent_LoadSettings(&settings, ini.c_str());
        settings.DefActOnDblClk = default_action;
        settings.MeltToOnDblClk = destination;
        Zent_SaveSettings(&settings, ini.c_str());
    }
    int Run(const std::string& args, const std::string& stub = "") {
        return Start(args, stub).Wait();
    }
    int Extractions() const {
        std::string text = ReadFile(calls);
        int n = 0;
        for (size_t at = 0; (at = text.find("\tUnlha\t", at)) != std::string::npos; at++) n++;
        return n;
    }

    TempDir dir;
    ScopedValue desktop_value;
    std::string archive, cache;
    std::string log = dir / "explorer.log";
    std::string calls = dir / "calls.log";
    std::string program = "dovetrim.exe";  // a test's own build of the program may stand in
    std::string cwd = dir / "cwd";         // where Explorer leaves the program
};

const char kSafetyCaption[] = "ファイルの安全性の確認 - Quarvel SV";
enum { kRun = 1, kCancel = 2, kAutorunMenu = 1041, kQuestion = 1043, kDoNotAskAgain = 1079 };

// Documents of .txt, .htm and .doc open with a recorder copy as their registered program.
class AutoOpenProgram : public MeltProgram {
protected:
    AutoOpenProgram() {
        opener = dir / "opener.exe";
        CopyFileA(BinPath("recorder.exe").c_str(), opener.c_str(), FALSE);
        for (const char* ext : {".txt", ".htm", ".doc"})
            PutString(HKEY_CLASSES_ROOT, ext, nullptr, kProgramId);
        PutString(HKEY_CLASSES_ROOT, std::string(kProgramId) + "\\shell\\open\\command", nullptr,
                  "\"" + opener + "\" open \"%1\"");
    }
    ~AutoOpenProgram() override { DeleteKeyTree(HKEY_CLASSES_ROOT, kProgramId); }

    HWND WaitForSafety(const ChildProcess& child) {
        return gui::WaitForWindow(kSafetyCaption, child.Pid());
    }
    std::string Explored(const std::string& folder) const {
        return dir / "win\\explorer.exe /e,/root,\"" + folder + "\"\r\n";
    }
    std::string Opened(const std::string& file) const {
        return "\"" + opener + "\" open \"" + file + "\"\r\n";
    }
    int SafeRecords() const {
        std::string ini = ReadFile(dir / "prog\\dovetrim.ini");
        int n = 0;
        for (size_t at = 0; (at = ini.find("\nSafe = ", at)) != std::string::npos; at++) n++;
        return n;
    }

    static constexpr const char* kProgramId = "QuarvelTest.Document";
    ScopedClass txt_{".txt"}, htm_{".htm"}, doc_{".doc"};
    std::string opener;
};

}  // namespace melt_fixture
