// File-type associations on the prefix's real registry: what associating writes, that
// un-associating leaves every other program's registration as it was, and that Explorer
// then starts the program with the command lines the dispatcher expects.
#include <gtest/gtest.h>
#include <windows.h>

#include <shellapi.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "../support/raise_capture.h"
#include "../support/registry_env.h"
#include "../support/test_folders.h"
#include "archiver/associations.h"
#include "shell/winx_assoc.h"

using testing_support::BinPath;
using testing_support::CatchRaise;
using testing_support::DeleteKeyTree;
using testing_support::GetValue;
using testing_support::KeyExists;
using testing_support::PutBinary;
using testing_support::PutDword;
using testing_support::PutString;
using testing_support::ScopedClass;
using testing_support::ScopedEnv;
using testing_support::TempDir;
using testing_support::WaitForLog;

namespace {

const char kProgram[] = "C:\\Tools\\QuarvelSV\\dovetrim.exe";
const HKEY kCR = HKEY_CLASSES_ROOT;

// ---- A snapshot of HKEY_CLASSES_ROOT -----------------------------------------------------

struct Snapshot {
    std::map<std::string, std::string> entries;  // "K path" or "V path|name" -> type and data
    int keys = 0;
    int values = 0;
};

std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

void Walk(HKEY parent, const std::string& path, Snapshot* out) {
    HKEY key;
    if (RegOpenKeyExA(parent, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return;
    out->entries["K " + Lower(path)] = "";
    out->keys++;
    std::vector<char> name(16384);
    std::vector<BYTE> data(70000);
    for (DWORD i = 0;; i++) {
        DWORD name_size = static_cast<DWORD>(name.size());
        DWORD data_size = static_cast<DWORD>(data.size());
        DWORD type = 0;
        if (RegEnumValueA(key, i, name.data(), &name_size, nullptr, &type, data.data(),
                          &data_size) != ERROR_SUCCESS)
            break;
        out->entries["V " + Lower(path) + "|" + Lower(name.data())] =
            std::to_string(type) + ":" +
            std::string(reinterpret_cast<char*>(data.data()), data_size);
        out->values++;
    }
    std::vector<std::string> subkeys;
    for (DWORD i = 0;; i++) {
        DWORD name_size = static_cast<DWORD>(name.size());
        if (RegEnumKeyExA(key, i, name.data(), &name_size, nullptr, nullptr, nullptr, nullptr) !=
            ERROR_SUCCESS)
            break;
        subkeys.push_back(name.data());
    }
    RegCloseKey(key);
    for (const std::string& sub : subkeys)
        Walk(parent, path.empty() ? sub : path + "\\" + sub, out);
}

Snapshot Export() {
    Snapshot shot;
    Walk(kCR, "", &shot);
    return shot;
}

// The differences, one line each, for the failure message.
std::string Differences(const Snapshot& a, const Snapshot& b) {
    std::string out;
    for (const auto& entry : a.entries) {
        auto found = b.entries.find(entry.first);
        if (found == b.entries.end()) {
            out += "gone: " + entry.first + "\n";
        } else if (found->second != entry.second) {
            out += "changed: " + entry.first + "\n";
        }
    }
    for (const auto& entry : b.entries)
        if (a.entries.count(entry.first) == 0) out += "new: " + entry.first + "\n";
    return out;
}

// Every class the association sets touch, and those of the other programs below, put back
// after the test.
class ClassesOfTheSets : public testing_support::ScopedArchiveClasses {
public:
    explicit ClassesOfTheSets(bool keep)
        : ScopedArchiveClasses(keep, {"OtherArc.lzh", "OtherArc.rar", "CompressedFolder"}) {}
};

void Verb(const std::string& program_id, const std::string& verb, const std::string& command) {
    PutString(kCR, program_id + "\\shell\\" + verb + "\\command", nullptr, command);
}

void EmptyKey(const std::string& path) {
    HKEY key;
    if (RegCreateKeyExA(kCR, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr) ==
        ERROR_SUCCESS)
        RegCloseKey(key);
}

// What other archivers leave behind: their own program ids with verbs, icons, class ids,
// DDE commands and browser flags; an archiver that took our program id's name; extensions
// with only side entries.
void RegisterOtherPrograms() {
    PutString(kCR, ".lzh", nullptr, "OtherArc.lzh");
    PutString(kCR, ".lzh", "Content Type", "application/x-lzh");
    PutString(kCR, ".lzh\\OpenWithProgids", "OtherArc.lzh", "");
    PutString(kCR, "OtherArc.lzh", nullptr, "LZH archive (OtherArc)");
    PutBinary(kCR, "OtherArc.lzh", "EditFlags", std::string("\x00\x00\x10\x00", 4));
    PutString(kCR, "OtherArc.lzh\\DefaultIcon", nullptr, "C:\\OtherArc\\arc.exe,2");
    PutString(kCR, "OtherArc.lzh\\CLSID", nullptr, "{11111111-2222-3333-4444-555555555555}");
    PutString(kCR, "OtherArc.lzh\\shell", nullptr, "extract");
    Verb("OtherArc.lzh", "extract", "\"C:\\OtherArc\\arc.exe\" /x \"%1\"");
    Verb("OtherArc.lzh", "open", "\"C:\\OtherArc\\arc.exe\" \"%1\"");
    PutString(kCR, "OtherArc.lzh\\shell\\open\\ddeexec", nullptr, "[open(\"%1\")]");
    PutString(kCR, "OtherArc.lzh\\shell\\open\\ddeexec\\Application", nullptr, "OtherArc");
    PutDword(kCR, "OtherArc.lzh\\shell\\open", "BrowserFlags", 8);

    // An archiver that registered under the very name we use.
    PutString(kCR, ".cab", nullptr, "cabfile");
    PutString(kCR, "cabfile", nullptr, "Cabinet (OtherCab)");
    PutBinary(kCR, "cabfile", "EditFlags", std::string("\x00\x00\x01\x00", 4));
    PutString(kCR, "cabfile\\DefaultIcon", nullptr, "C:\\OtherCab\\cab.exe,0");
    PutString(kCR, "cabfile\\CLSID", nullptr, "{0CD7A5C0-9F37-11CE-AE65-08002B2E1262}");
    PutString(kCR, "cabfile\\shell", nullptr, "view");
    Verb("cabfile", "view", "\"C:\\OtherCab\\cab.exe\" /v \"%1\"");
    Verb("cabfile", "open", "\"C:\\OtherCab\\cab.exe\" \"%1\"");
    PutString(kCR, "cabfile\\shell\\open", nullptr, "開く(&O)");
    PutString(kCR, "cabfile\\shell\\open\\ddeexec", nullptr, "[open(\"%1\")]");
    PutString(kCR, "cabfile\\shell\\open\\ddeexec\\Topic", nullptr, "System");
    PutDword(kCR, "cabfile\\shell\\open", "BrowserFlags", 8);
    PutDword(kCR, "cabfile\\shell\\open", "ExplorerFlags", 0x12);
    // Keys that hold nothing, or only their default value, are part of it all the same.
    EmptyKey("cabfile\\Insertable");
    EmptyKey("cabfile\\shellex\\ContextMenuHandlers");
    PutString(kCR, "cabfile\\shellex\\PropertySheetHandlers\\CabProps", nullptr,
              "{0CD7A5C0-9F37-11CE-AE65-08002B2E1263}");
    EmptyKey("cabfile\\shell\\open\\ddeexec\\ifexec");
    EmptyKey("cabfile\\CLSID\\Empty");

    // zip: another id, and a stale "zipfile" that no extension points to any more.
    PutString(kCR, ".zip", nullptr, "CompressedFolder");
    PutString(kCR, ".zip\\ShellNew", "Data", "PK");
    PutString(kCR, "CompressedFolder", nullptr, "Compressed folder");
    PutString(kCR, "CompressedFolder\\CLSID", nullptr, "{E88DCCE0-B7B3-11d1-A9F0-00AA0060FA31}");
    Verb("CompressedFolder", "open", "explorer.exe /idlist,%I,%L");
    PutString(kCR, "zipfile\\shell\\old", nullptr, "left over");
    Verb("zipfile", "old", "old.exe \"%1\"");

    // Extensions with side entries only, and one a program re-pointed to another id.
    PutString(kCR, ".gz", "Content Type", "application/gzip");
    PutString(kCR, ".rar", nullptr, "OtherArc.rar");
    PutString(kCR, "OtherArc.rar\\shell\\open\\command", nullptr, "rar.exe \"%1\"");

    // Verbs of other programs on the shared classes.
    Verb("*", "OtherArc.add", "\"C:\\OtherArc\\arc.exe\" /a \"%1\"");
    Verb("folder", "OtherArc.pack", "\"C:\\OtherArc\\arc.exe\" /p \"%1\"");
}

// The one documented lasting change: the shared classes keep EditFlags 00 00 00 00.
void ExpectOnlySharedEditFlagsChanged(const Snapshot& before, Snapshot after) {
    for (const char* key : {"V folder|editflags", "V *|editflags"}) {
        EXPECT_EQ(after.entries[key], std::to_string(REG_BINARY) + ":" + std::string(4, '\0'));
        auto was = before.entries.find(key);
        if (was == before.entries.end()) {
            after.entries.erase(key);
            after.values--;
        } else {
            after.entries[key] = was->second;
        }
    }
    EXPECT_EQ(after.keys, before.keys);
    EXPECT_EQ(after.values, before.values);
    EXPECT_TRUE(after.entries == before.entries) << Differences(before, after);
}

}  // namespace

// ---- Round trips ---------------------------------------------------------------------------

TEST(WinXAssociation, RoundTripLeavesEveryOtherRegistrationAsItWas) {
    ClassesOfTheSets guard(false);
    RegisterOtherPrograms();
    Snapshot before = Export();

    WinX_Associate(Zent_AssociationSet(), kProgram, nullptr);
    EXPECT_EQ(GetValue(kCR, ".lzh", nullptr), "lzhfile");
    EXPECT_EQ(GetValue(kCR, ".lzh", "backup"), "OtherArc.lzh");
    EXPECT_EQ(GetValue(kCR, ".7z", "backup"), "");
    // Meanwhile another archiver registers ARJ under the program id we gave it, which was
    // not there before us: the id and the extension's pointer to it are that program's now.
    DeleteKeyTree(kCR, "arjfile");
    PutString(kCR, "arjfile", nullptr, "ARJ archive (OtherArj)");
    PutString(kCR, "arjfile\\DefaultIcon", nullptr, "C:\\OtherArj\\arj.exe,0");
    Verb("arjfile", "open", "\"C:\\OtherArj\\arj.exe\" \"%1\"");
    EmptyKey("arjfile\\shellex");
    Snapshot theirs;
    Walk(kCR, "arjfile", &theirs);
    WinX_Unassociate(Zent_AssociationSet(), kProgram, nullptr);

    Snapshot kept;
    Walk(kCR, "arjfile", &kept);
    EXPECT_TRUE(kept.entries == theirs.entries) << Differences(theirs, kept);
    EXPECT_EQ(GetValue(kCR, ".arj", nullptr), "arjfile");
    DeleteKeyTree(kCR, ".arj");
    DeleteKeyTree(kCR, "arjfile");
    Snapshot after = Export();
    ExpectOnlySharedEditFlagsChanged(before, after);
    std::printf("[ round trip ] %d keys and %d values of HKEY_CLASSES_ROOT compared\n", before.keys,
                before.values);
}

TEST(WinXAssociation, RowsOneAtATimeUndoneInAnotherOrderLeaveNoTrace) {
    ClassesOfTheSets guard(false);
    RegisterOtherPrograms();
    Snapshot before = Export();

    int rows = WinX_TypeSetRowCount(Zent_AssociationSet());
    ASSERT_EQ(rows, 19);
    for (int i = 0; i < rows; i++) {
        std::vector<char> only(rows, false);
        only[i] = true;
        WinX_Associate(Zent_AssociationSet(), kProgram, reinterpret_cast<bool*>(only.data()));
    }
    // The second zip row and rar, lzh, cab first, then the rest from the end.
    std::vector<int> order = {2, 4, 0, 3};
    for (int i = rows - 1; i >= 0; i--)
        if (std::find(order.begin(), order.end(), i) == order.end()) order.push_back(i);
    for (int i : order) {
        std::vector<char> keep(rows, true);
        keep[i] = false;
        WinX_Unassociate(Zent_AssociationSet(), kProgram, reinterpret_cast<bool*>(keep.data()));
    }
    ExpectOnlySharedEditFlagsChanged(before, Export());

    // The previous version's set goes the same way.
    WinX_Associate(&WinX_PreviousTypeSet, kProgram, nullptr);
    EXPECT_EQ(GetValue(kCR, "lzhfile\\shell", nullptr), "&Open");
    WinX_Unassociate(&WinX_PreviousTypeSet, kProgram, nullptr);
    ExpectOnlySharedEditFlagsChanged(before, Export());
}

// ---- What one row writes, and the cases around it ------------------------------------------

namespace {

class LzhRow : public testing::Test {
protected:
    void Associate() { WinX_Associate(Zent_AssociationSet(), kProgram, lzh_only_); }
    void Unassociate() {
        bool others[64];
        std::fill(others, others + 64, true);
        others[0] = false;
        WinX_Unassociate(Zent_AssociationSet(), kProgram, others);
    }
    ScopedClass ext_{".lzh"};
    ScopedClass id_{"lzhfile"};
    ScopedClass other_{"OtherArc.lzh"};
    bool lzh_only_[64] = {true};
};

}  // namespace

TEST_F(LzhRow, WritesTheDescriptionIconVerbsAndCommands) {
    Associate();
    EXPECT_EQ(GetValue(kCR, "lzhfile", nullptr), "LHA 形式圧縮ファイル");
    EXPECT_EQ(GetValue(kCR, "lzhfile", "EditFlags"), std::string(4, '\0'));
    EXPECT_EQ(GetValue(kCR, "lzhfile\\DefaultIcon", nullptr), std::string(kProgram) + ",11");
    EXPECT_EQ(GetValue(kCR, "lzhfile\\shell", nullptr), "open");
    EXPECT_EQ(GetValue(kCR, "lzhfile\\shell\\open", nullptr), "自動オープン(&O)");
    EXPECT_EQ(GetValue(kCR, "lzhfile\\shell\\open", "EditFlags"), std::string("\x01\0\0\0", 4));
    EXPECT_EQ(GetValue(kCR, "lzhfile\\shell\\open\\command", nullptr),
              "\"" + std::string(kProgram) + "\" -d \"%1\"");
    // The settings verb has no arguments: the quoted program and one blank.
    EXPECT_EQ(GetValue(kCR, "lzhfile\\shell\\7.Zent S&etting\\command", nullptr),
              "\"" + std::string(kProgram) + "\" ");
    DWORD type = 0;
    GetValue(kCR, "lzhfile\\shell\\3.Melt(&I)", nullptr, &type);
    EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));

    WinX_SetTypeIcon(Zent_AssociationSet(), "lzh", "C:\\icons\\arc.dll", 4, kProgram);
    EXPECT_EQ(GetValue(kCR, "lzhfile\\DefaultIcon", nullptr), "C:\\icons\\arc.dll,4");
}

TEST_F(LzhRow, AnotherProgramsIdIsCopiedBackedUpOnceAndPutBack) {
    PutString(kCR, ".lzh", nullptr, "OtherArc.lzh");
    Verb("OtherArc.lzh", "extract", "arc.exe /x \"%1\"");
    PutString(kCR, "OtherArc.lzh\\DefaultIcon", nullptr, "arc.exe,2");
    Associate();
    EXPECT_EQ(GetValue(kCR, ".lzh", "backup"), "OtherArc.lzh");
    EXPECT_EQ(GetValue(kCR, "lzhfile\\shell\\extract\\command", nullptr), "arc.exe /x \"%1\"");
    EXPECT_EQ(GetValue(kCR, "lzhfile\\DefaultIcon_BK", nullptr), "arc.exe,2");

    // Associating again keeps the first backups, even after the icon was changed.
    WinX_SetTypeIcon(Zent_AssociationSet(), "lzh", "mine.ico", 0, kProgram);
    Associate();
    EXPECT_EQ(GetValue(kCR, ".lzh", "backup"), "OtherArc.lzh");
    EXPECT_EQ(GetValue(kCR, "lzhfile\\DefaultIcon_BK", nullptr), "arc.exe,2");

    Unassociate();
    EXPECT_EQ(GetValue(kCR, ".lzh", nullptr), "OtherArc.lzh");
    EXPECT_EQ(GetValue(kCR, ".lzh", "backup"), "<missing>");
    EXPECT_FALSE(KeyExists(kCR, "lzhfile"));  // the copy goes; the original never moved
    EXPECT_EQ(GetValue(kCR, "OtherArc.lzh\\shell\\extract\\command", nullptr), "arc.exe /x \"%1\"");
}

TEST_F(LzhRow, AnUnregisteredExtensionGoesAwayAgainButItsSideEntriesStay) {
    Associate();
    EXPECT_EQ(GetValue(kCR, ".lzh", "backup"), "");
    Unassociate();
    EXPECT_FALSE(KeyExists(kCR, ".lzh"));
    EXPECT_FALSE(KeyExists(kCR, "lzhfile"));

    PutString(kCR, ".lzh\\OpenWithProgids", "OtherArc.lzh", "");
    Associate();
    Unassociate();
    EXPECT_EQ(GetValue(kCR, ".lzh", nullptr), "<missing>");
    EXPECT_EQ(GetValue(kCR, ".lzh\\OpenWithProgids", "OtherArc.lzh"), "");
}

TEST_F(LzhRow, ATypeTheUserPointedElsewhereIsLeftAlone) {
    Associate();
    PutString(kCR, ".lzh", nullptr, "OtherArc.lzh");
    // Its icon is the other program's to choose.
    PutString(kCR, "OtherArc.lzh\\shell\\open\\command", nullptr, "arc.exe \"%1\"");
    WinX_SetTypeIcon(Zent_AssociationSet(), "lzh", "C:\\icons\\arc.dll", 4, kProgram);
    EXPECT_FALSE(KeyExists(kCR, "OtherArc.lzh\\DefaultIcon"));
    Unassociate();
    EXPECT_EQ(GetValue(kCR, ".lzh", nullptr), "OtherArc.lzh");
    EXPECT_EQ(GetValue(kCR, "lzhfile\\shell\\open", nullptr), "自動オープン(&O)");
}

TEST_F(LzhRow, ClassIdDdeAndBrowserFlagsOfTheSameNamedIdAreMovedAsideAndBack) {
    PutString(kCR, ".lzh", nullptr, "lzhfile");
    PutString(kCR, "lzhfile\\CLSID", nullptr, "{1}");
    Verb("lzhfile", "open", "other.exe \"%1\"");
    PutString(kCR, "lzhfile\\shell\\open\\ddeexec", nullptr, "[open]");
    PutDword(kCR, "lzhfile\\shell\\open", "BrowserFlags", 8);
    Associate();
    EXPECT_FALSE(KeyExists(kCR, "lzhfile\\CLSID"));
    EXPECT_EQ(GetValue(kCR, "lzhfile\\CLSID_BK", nullptr), "{1}");
    EXPECT_FALSE(KeyExists(kCR, "lzhfile\\shell\\open\\ddeexec"));
    EXPECT_EQ(GetValue(kCR, "lzhfile\\shell\\open\\ddeexec_backup", nullptr), "[open]");
    EXPECT_EQ(GetValue(kCR, "lzhfile\\shell\\open", "BrowserFlags"), "<missing>");
    DWORD type = 0;
    EXPECT_EQ(GetValue(kCR, "lzhfile\\shell\\open", "BrowserFlags_backup", &type),
              std::string("\x08\0\0\0", 4));
    EXPECT_EQ(type, static_cast<DWORD>(REG_DWORD));

    Unassociate();
    EXPECT_EQ(GetValue(kCR, ".lzh", nullptr), "lzhfile");
    EXPECT_EQ(GetValue(kCR, "lzhfile\\CLSID", nullptr), "{1}");
    EXPECT_EQ(GetValue(kCR, "lzhfile\\shell\\open\\command", nullptr), "other.exe \"%1\"");
    EXPECT_EQ(GetValue(kCR, "lzhfile\\shell\\open\\ddeexec", nullptr), "[open]");
    EXPECT_EQ(GetValue(kCR, "lzhfile\\shell\\open", "BrowserFlags"), std::string("\x08\0\0\0", 4));
    EXPECT_FALSE(KeyExists(kCR, "lzhfile\\CLSID_BK"));
}

TEST_F(LzhRow, BrowserFlagsOfAnotherTypeStopTheAssociation) {
    PutString(kCR, ".lzh", nullptr, "lzhfile");
    PutString(kCR, "lzhfile\\shell\\open", "BrowserFlags", "8");
    auto caught = CatchRaise([&] { Associate(); });
    EXPECT_EQ(caught.code, Errors_Unofficial);
    EXPECT_EQ(caught.message, "error");
}

// ---- Explorer ----------------------------------------------------------------------------

TEST(WinXAssociation, ExplorerStartsTheProgramWithTheDispatchersCommandLines) {
    ScopedClass ext(".lzh");
    ScopedClass id("lzhfile");
    ScopedClass folder_class("folder", true);
    TempDir dir;
    std::string program = dir / "recorder.exe";
    ASSERT_TRUE(CopyFileA(BinPath("recorder.exe").c_str(), program.c_str(), FALSE));
    std::string log = dir / "log.txt";
    ScopedEnv log_env("QUARVEL_RECORDER_LOG", log.c_str());
    std::string archive = dir / "報告 書.lzh";
    testing_support::WriteFile(archive, "-lh5-");
    std::string folder = dir / "作業 フォルダ";
    CreateDirectoryA(folder.c_str(), nullptr);

    bool rows[64] = {};
    rows[0] = rows[Zent_ArchiveRowCount()] = true;  // lzh and folder
    WinX_Associate(Zent_AssociationSet(), program.c_str(), rows);
    struct {
        const char* verb;
        const std::string& target;
        const char* option;
    } runs[] = {{"open", archive, "-d"},
                {"3.Melt(&I)", archive, "-i"},
                {"4.&Back to Normal", archive, "-r"},
                {"5.&Update", archive, "-u"},
                {"1.Cusom Freeze(&G)", folder, "-x"}};
    std::string expected;
    int lines = 0;
    for (const auto& run : runs) {
        HINSTANCE rc =
            ShellExecuteA(nullptr, run.verb, run.target.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
        EXPECT_GT(reinterpret_cast<INT_PTR>(rc), 32) << run.verb;
        expected += "\"" + program + "\" " + run.option + " \"" + run.target + "\"\r\n";
        // One at a time, so the log's order is the order of the verbs.
        WaitForLog(log, ++lines);
    }
    EXPECT_EQ(testing_support::ReadFile(log), expected);
    bool others[64];
    for (int i = 0; i < 64; i++) others[i] = !rows[i];
    WinX_Unassociate(Zent_AssociationSet(), program.c_str(), others);
}
