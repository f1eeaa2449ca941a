// Every member of the extraction family, seen from the command line its DLL receives and
// the folder its content lands in.
#include <gtest/gtest.h>

#include "folders/destination.h"
#include "simple_container.h"
#include "../support/raise_capture.h"
#include "../support/test_folders.h"

using namespace testing_support;

namespace {

class ExtractionMembers : public testing::Test {
protected:
    void SetUp() override {
        base = dir / "base";
        CreateDirectoryA(base.c_str(), nullptr);
        CreateDirectoryA((dir / "dl").c_str(), nullptr);
        log = dir / "calls.log";
        SetEnvironmentVariableA("ARCHIVER_STUB", ("log:" + log).c_str());
    }
    void TearDown() override {
        SetEnvironmentVariableA("ARCHIVER_STUB", nullptr);
        SetCurrentDirectoryA(BinDir().c_str());
    }
    std::string Fixture(const std::string& name) {
        std::string path = dir / "dl\\" + name;
        CopyFileA((DataDir() + "\\" + name).c_str(), path.c_str(), FALSE);
        return path;
    }
    // A YZ1 or GCA archive of our stand-ins' own container.
    std::string Container(const std::string& name, arc::ContainerKind kind,
                          const std::vector<std::string>& files) {
        std::vector<arc::Item> items;
        for (const std::string& f : files) {
            arc::Item item;
            item.entry.name = f;
            item.data.assign(f.begin(), f.end());
            items.push_back(item);
        }
        arc::Bytes image;
        arc::Container_Write(kind, items, false, &image);
        std::string path = dir / "dl\\" + name;
        WriteFile(path, std::string(image.begin(), image.end()));
        return path;
    }
    std::string Extract(const std::string& archive) {
        char folder[260] = "";
        Caught caught = CatchRaise([&] {
            Zent_ExtractIntoBase(archive.c_str(), base.c_str(), folder, false, "", nullptr);
        });
        EXPECT_EQ(caught.code, 0) << caught.text;
        return folder;
    }

    TempDir dir;
    std::string base, log;
};

}  // namespace

TEST_F(ExtractionMembers, EachDllReceivesItsOwnCommandLine) {
    struct Case {
        std::string archive;
        std::string expected;  // export name and command, as the stand-in logs them
    };
    std::string yz1 = Container("flat.yz1", arc::ContainerKind::Yz1, {"a.txt", "b.txt"});
    std::string gca = Container("flat.gca", arc::ContainerKind::Gca, {"a.txt", "b.txt"});
    std::string cab = Fixture("flat.cab"), arj = Fixture("flat-store.arj");
    std::string sz = Fixture("flat-copy.7z"), lzh = Fixture("flat.lzh");
    const Case cases[] = {
        {lzh, "\tUnlha\te -a2 -x1 -n0 -m0 -y1 -u0 -gn1 -jf0 \"" + lzh + "\""},
        {cab, "\tCab\t-x -o \"" + cab + "\""},
        {arj, "\tUnarj\te \"" + arj + "\" -sx1 -y1"},
        {yz1, "\tYz1\tx -y \"" + yz1 + "\""},
        {gca, "\tUnGCA\te \"" + gca + "\" -sx1"},
        {sz, "\tSevenZip\tx \"" + sz + "\""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.archive);
        std::string folder = Extract(c.archive);
        EXPECT_TRUE(FileExists(folder + "\\a.txt")) << folder;
        EXPECT_TRUE(FileExists(folder + "\\b.txt"));
        EXPECT_NE(ReadFile(log).find(c.expected), std::string::npos) << ReadFile(log);
    }
}

TEST_F(ExtractionMembers, TopFolderComparisonIgnoresLetterCase) {
    std::string archive =
        Container("mixed.yz1", arc::ContainerKind::Yz1, {"Doc\\a.txt", "doc\\b.txt"});
    std::string folder = Extract(archive);
    EXPECT_EQ(_stricmp(folder.c_str(), (base + "\\Doc").c_str()), 0) << folder;
    EXPECT_TRUE(FileExists(base + "\\doc\\a.txt"));
    EXPECT_TRUE(FileExists(base + "\\doc\\b.txt"));
}
