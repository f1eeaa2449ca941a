#pragma once
// dovetrim.exe dividing archives onto real disks in the prefix's floppy drive A:, as a user
// does it: a private program folder with the joining program, a Windows folder whose
// explorer.exe records what it was asked to show, and the floppy dialog driven by its
// controls. Changing the disk is taking the RAM disk out and mounting a fresh one.
#include <gtest/gtest.h>
#include <sys/utime.h>
#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "../support/child_process.h"
#include "../support/floppy_drive.h"
#include "../support/gui_driver.h"
#include "../support/registry_env.h"
#include "../support/test_folders.h"
#include "floppy/floppy_ids.h"
#include "lib/strx.h"

namespace floppy_test {

using namespace testing_support;

const char kDialog[] = "フロッピーに保存 - Quarvel";
const char kDone[] = "完了しました。";
const char kA[] = "A:\\";

inline std::string Bytes(size_t size, unsigned seed = 12345) {
    std::string bytes(size, '\0');
    unsigned x = seed;
    for (char& c : bytes) {
        x = x * 1103515245u + 12345u;
        c = static_cast<char>(x >> 16);
    }
    return bytes;
}

inline std::vector<std::string> NamesOnDisk() {
    return Names("A:");
}

inline unsigned long long FreeOnDisk() {
    ULARGE_INTEGER free{};
    GetDiskFreeSpaceExA(kA, &free, nullptr, nullptr);
    return free.QuadPart;
}

// Seconds since 1970 of a file's modification time.
inline long long TimeOf(const std::string& path) {
    WIN32_FILE_ATTRIBUTE_DATA info{};
    GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &info);
    ULARGE_INTEGER t;
    t.LowPart = info.ftLastWriteTime.dwLowDateTime;
    t.HighPart = info.ftLastWriteTime.dwHighDateTime;
    return static_cast<long long>(t.QuadPart / 10000000ull) - 11644473600ll;
}

// A file that claims more bytes than it takes: on the RAM disk it uses no space.
inline void WriteSparse(const std::string& path, long long size) {
    HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    LARGE_INTEGER end;
    end.QuadPart = size;
    SetFilePointerEx(h, end, nullptr, FILE_BEGIN);
    SetEndOfFile(h);
    CloseHandle(h);
}

class FloppyDisks : public testing::Test {
protected:
    void SetUp() override {
        std::string problem = drive.Insert();
        if (problem == "not root") GTEST_SKIP() << "changing disks needs root";
        ASSERT_EQ(problem, "");
        for (const char* name : {"prog", "win", "cwd", "desk", "src"})
            CreateDirectoryA((dir / name).c_str(), nullptr);
        for (const char* name : {"dovetrim.exe", "resume.exe", "UNLHA32.DLL", "UNZIP32.DLL",
                                 "zip32.dll", "CAB32.DLL", "TAR32.DLL", "7-ZIP32.DLL"})
            CopyFileA(BinPath(name).c_str(), (dir / "prog\\" + name).c_str(), FALSE);
        CopyFileA(BinPath("recorder.exe").c_str(), (dir / "win\\explorer.exe").c_str(), FALSE);
    }

    // An archive of pseudo-random bytes with an old modification time, as a download has.
    std::string Archive(const std::string& name, size_t size) {
        std::string path = dir / "src\\" + name;
        WriteFile(path, Bytes(size));
        time_t t = 0;
        StrX_MakeTime(&t, 2004, 8, 26, 0, 5, 0);
        _utimbuf times{t, t};
        _utime(path.c_str(), &times);
        return path;
    }

    Environment Env() const { return {{"windir", dir / "win"}, {"QUARVEL_RECORDER_LOG", log}}; }
    ChildProcess Program(const std::string& args) {
        return StartProgram(dir / "prog\\dovetrim.exe", args, Env(), dir / "cwd");
    }
    // dovetrim.exe -v on the archive, and its dialog once it is up.
    HWND Divide(ChildProcess* child, const std::string& archive) {
        *child = Program("-v \"" + archive + "\"");
        return gui::WaitForWindow(kDialog, child->Pid());
    }

    // 実行 for a step that ends without a message.
    void Execute(HWND dialog) { gui::ClickAndWait(dialog, IDOK); }
    // 実行 for a step that ends with one: its text, answered with OK.
    std::string ExecuteAnswered(HWND dialog, DWORD pid, const char* caption = kDialog) {
        gui::Click(dialog, IDOK);
        // The dialog's own boxes have its caption.
        gui::MessageBoxInfo box = caption == kDialog ? gui::WaitForMessageBoxOver(dialog, caption)
                                                     : gui::WaitForMessageBox(caption, pid);
        gui::Answer(box, IDOK);
        return box.text;
    }
    std::string DiskLine(HWND dialog) { return gui::ControlText(dialog, IDC_FLOPPY_DISK_LINE); }

    // Takes the disk out (keeping its files under keep when named) and puts in the next
    // (a blank one, or the disk kept under next).
    void ChangeDisk(const std::string& keep, const std::string& next = "") {
        ASSERT_EQ(drive.Eject(keep), "");
        ASSERT_EQ(drive.Insert(next), "");
    }
    std::string OnDisk(const std::string& name) { return ReadFile(kA + name); }
    std::string Kept(const std::string& disk, const std::string& name) {
        return ReadFile(drive.Kept(disk) + "\\" + name);
    }

    // The whole split of an archive as the user does it, with or without the joining
    // program: disks 1, 2, 3 and disk 1 again, kept as "d1" (first writing), "d2", "d3" and
    // "final" (disk 1 with the final description).
    void SplitOverThreeDisks(const std::string& archive, bool joiner) {
        ChildProcess child;
        HWND dialog = Divide(&child, archive);
        ASSERT_NE(dialog, nullptr);
        if (!joiner) gui::ClickAndWait(dialog, IDC_FLOPPY_JOINER);
        ASSERT_EQ(gui::IsChecked(dialog, IDC_FLOPPY_JOINER), joiner);
        Execute(dialog);
        ASSERT_EQ(DiskLine(dialog).substr(0, 18), "2 枚目のフロッピー");
        ChangeDisk("d1");
        Execute(dialog);
        ChangeDisk("d2");
        Execute(dialog);
        ASSERT_EQ(DiskLine(dialog), "1 枚目のフロッピーをもう一度入れてください。");
        ChangeDisk("d3", "d1");
        EXPECT_EQ(ExecuteAnswered(dialog, child.Pid()), kDone);
        EXPECT_EQ(child.Wait(), 0);
        ASSERT_EQ(drive.Eject("final"), "");
    }

    TempDir dir;
    FloppyDrive drive;
    std::string log = dir / "explorer.log";
};

}  // namespace floppy_test
