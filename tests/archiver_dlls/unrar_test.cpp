#include <gtest/gtest.h>

#include "dll_harness.h"

using testing_support::FileExists;
using testing_support::ReadFile;
using testing_support::WriteFile;

namespace {

struct OpenData {
    char* ArcName;
    UINT OpenMode;
    UINT OpenResult;
    char* CmtBuf;
    UINT CmtBufSize;
    UINT CmtSize;
    UINT CmtState;
};

struct HeaderData {
    char ArcName[260];
    char FileName[260];
    UINT Flags, PackSize, UnpSize, HostOS, FileCRC, FileTime, UnpVer, Method, FileAttr;
    char* CmtBuf;
    UINT CmtBufSize, CmtSize, CmtState;
};

using VolumeProc = int(CALLBACK*)(char*, int);

class Unrar {
public:
    Unrar() : dll_("UNRAR.DLL") {
        open_ = dll_.Get<HANDLE(WINAPI*)(OpenData*)>("RAROpenArchive");
        read_ = dll_.Get<int(WINAPI*)(HANDLE, HeaderData*)>("RARReadHeader");
        process_ = dll_.Get<int(WINAPI*)(HANDLE, int, char*, char*)>("RARProcessFile");
        close_ = dll_.Get<int(WINAPI*)(HANDLE)>("RARCloseArchive");
        set_volume_ = dll_.Get<void(WINAPI*)(HANDLE, VolumeProc)>("RARSetChangeVolProc");
    }
    bool Complete() const { return open_ && read_ && process_ && close_ && set_volume_; }

    // The program's loop: read every header and process it; returns the loop's last result.
    struct Run {
        UINT open_result = 0;
        std::vector<HeaderData> headers;
        std::vector<int> processed;
        int end = 0;
    };
    Run Walk(const std::string& archive, UINT mode, int operation, VolumeProc volume = nullptr) {
        Run run;
        std::string name = archive;
        char comment[256];
        OpenData data = {&name[0], mode, 0, comment, sizeof comment, 0, 0};
        HANDLE h = open_(&data);
        run.open_result = data.OpenResult;
        if (!h) return run;
        set_volume_(h, volume);
        HeaderData header;
        while ((run.end = read_(h, &header)) == 0) {
            header.CmtBuf = nullptr;
            run.headers.push_back(header);
            run.processed.push_back(process_(h, operation, nullptr, nullptr));
        }
        close_(h);
        return run;
    }

private:
    StandInDll dll_;
    HANDLE(WINAPI* open_)(OpenData*);
    int(WINAPI* read_)(HANDLE, HeaderData*);
    int(WINAPI* process_)(HANDLE, int, char*, char*);
    int(WINAPI* close_)(HANDLE);
    void(WINAPI* set_volume_)(HANDLE, VolumeProc);
};

TEST(Unrar, ListsAndExtractsStoredEntriesIntoTheCurrentFolder) {
    Unrar rar;
    ASSERT_TRUE(rar.Complete());
    InFolder dir;
    Unrar::Run list = rar.Walk(DataPath("sjis-store.rar"), 0, 0);
    EXPECT_EQ(0u, list.open_result);
    EXPECT_EQ(10, list.end);
    ASSERT_EQ(3u, list.headers.size());
    EXPECT_EQ(0x10u, list.headers[0].FileAttr);  // the probe leaves folders out by this word
    EXPECT_STREQ("資料\\表示.txt", list.headers[1].FileName);
    EXPECT_EQ(0x30u, list.headers[1].Method);
    EXPECT_EQ(static_cast<UINT>(FixtureLines(20).size()), list.headers[1].UnpSize);
    EXPECT_FALSE(FileExists(dir / "資料\\表示.txt"));  // skipping writes nothing

    Unrar::Run extract = rar.Walk(DataPath("sjis-store.rar"), 1, 2);
    EXPECT_EQ(10, extract.end);
    EXPECT_EQ((std::vector<int>{0, 0, 0}), extract.processed);
    EXPECT_EQ(FixtureLines(20), ReadFile(dir / "資料\\表示.txt"));
    EXPECT_EQ(FixtureLines(200), ReadFile(dir / "資料\\ソフト.txt"));
}

TEST(Unrar, CompressedEntriesExtractDamagedOnesAnswerBadDataAndFailuresOpen) {
    Unrar rar;
    InFolder dir;
    Unrar::Run real = rar.Walk(DataPath("compressed-rar4.rar"), 1, 2);
    ASSERT_LE(4u, real.processed.size());
    for (int r : real.processed) EXPECT_EQ(0, r);
    EXPECT_EQ(20111u, ReadFile(dir / "testdir\\LibarchiveAddingTest.html").size());

    Unrar::Run run = rar.Walk(DataPath("compressed.rar"), 1, 2);
    ASSERT_EQ(1u, run.processed.size());
    EXPECT_EQ(12, run.processed[0]);  // its data is not what its method says
    EXPECT_FALSE(FileExists(dir / "a.txt"));

    EXPECT_NE(0u, rar.Walk(dir / "absent.rar", 0, 0).open_result);
    WriteFile(dir / "text.rar", "no archive");
    EXPECT_NE(0u, rar.Walk(dir / "text.rar", 0, 0).open_result);
    std::string bytes = ReadFile(DataPath("flat-store.rar"));
    bytes[30] ^= 0x40;
    WriteFile(dir / "bad.rar", bytes);
    EXPECT_EQ(12, rar.Walk(dir / "bad.rar", 0, 0).end);
}

uint32_t CrcOfFile(const std::string& path) {
    std::string bytes = ReadFile(path);
    return arc::Crc32(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
}

// RAR 5 archives of libarchive's test data (see tests/data/README.md): four compressed files,
// solid and not, and one stored. The CRCs are those of the files `bsdtar -x` extracts.
TEST(Unrar, Rar5ArchivesListAndExtractInTheSameInterface) {
    Unrar rar;
    InFolder dir;
    const UINT crcs[] = {0x7e13b2c6, 0xf166afcb, 0x9fb123d9, 0x10c43ed4};
    Unrar::Run run;
    for (const char* archive : {"rar5-compressed.rar", "rar5-solid.rar"}) {
        SCOPED_TRACE(archive);
        run = rar.Walk(DataPath(archive), 1, 2);
        EXPECT_EQ(0u, run.open_result);
        EXPECT_EQ(10, run.end);
        ASSERT_EQ(4u, run.headers.size());
        for (size_t i = 0; i < 4; ++i) {
            const HeaderData& h = run.headers[i];
            std::string name = "test" + std::to_string(i + 1) + ".bin";
            EXPECT_STREQ(name.c_str(), h.FileName);
            EXPECT_EQ(0, run.processed[i]) << name;
            EXPECT_EQ(4096u, h.UnpSize);
            EXPECT_EQ(crcs[i], h.FileCRC);
            EXPECT_EQ(crcs[i], CrcOfFile(dir / name)) << name;
            DeleteFileA((dir / name).c_str());
            EXPECT_EQ(50u, h.UnpVer);
            EXPECT_NE(0x30u, h.Method) << "compressed";
            EXPECT_NE(0u, h.FileTime);
        }
    }
    EXPECT_EQ(0x10u, run.headers[1].Flags & 0x10) << "solid";
    // libarchive opens the volumes itself: by their names in the code page.
    WriteFile(dir / "資料.rar", ReadFile(DataPath("rar5-compressed.rar")));
    run = rar.Walk(dir / "資料.rar", 1, 1);
    EXPECT_EQ((std::vector<int>{0, 0, 0, 0}), run.processed);
    // RAR 5 names are UTF-8: given in the code page, '?' for what it cannot hold.
    run = rar.Walk(DataPath("rar5-names.rar"), 0, 0);
    ASSERT_EQ(2u, run.headers.size());
    EXPECT_STREQ("資料\\表示.txt", run.headers[0].FileName);
    EXPECT_STREQ("??.txt", run.headers[1].FileName);
    // An encrypted entry is unknown to us; the next one still extracts (make_rar_fixtures.py).
    run = rar.Walk(DataPath("rar5-encrypted.rar"), 1, 2);
    EXPECT_EQ((std::vector<int>{14, 0}), run.processed);
    EXPECT_FALSE(FileExists(dir / "secret.txt"));
    EXPECT_EQ(FixtureLines(20), ReadFile(dir / "plain.txt"));
    run = rar.Walk(DataPath("rar5-stored.rar"), 1, 2);
    ASSERT_EQ(1u, run.headers.size());
    EXPECT_EQ(0x30u, run.headers[0].Method);
    EXPECT_EQ(0, run.processed[0]);
    EXPECT_EQ("hello libarchive test suite!\n", ReadFile(dir / "helloworld.txt"));
}

std::vector<std::pair<std::string, int>> g_volume_calls;
int g_answer = 1;
int CALLBACK RecordVolume(char* name, int mode) {
    std::string n = name;
    g_volume_calls.push_back({n.substr(n.find_last_of('\\') + 1), mode});
    return g_answer;
}

TEST(Unrar, VolumeSetsCallTheCallbackForEachVolume) {
    Unrar rar;
    InFolder dir;
    g_volume_calls.clear();
    g_answer = 1;
    Unrar::Run run = rar.Walk(DataPath("vol.part1.rar"), 1, 2, RecordVolume);
    EXPECT_EQ((std::vector<int>{0, 0}), run.processed);
    EXPECT_EQ(FixtureLines(200), ReadFile(dir / "a.txt"));
    EXPECT_EQ(FixtureLines(20), ReadFile(dir / "b.txt"));
    EXPECT_EQ(
        (std::vector<std::pair<std::string, int>>{{"vol.part2.rar", 1}, {"vol.part3.rar", 1}}),
        g_volume_calls);

    // Only the first volume is there: the callback is asked (mode 0) and stops the run; it is
    // not asked again when the caller goes on reading.
    WriteFile(dir / "only.part1.rar", ReadFile(DataPath("vol.part1.rar")));
    g_volume_calls.clear();
    g_answer = 0;
    run = rar.Walk(dir / "only.part1.rar", 1, 2, RecordVolume);
    ASSERT_EQ(1u, run.processed.size());
    EXPECT_NE(0, run.processed[0]);
    EXPECT_EQ(15, run.end);
    EXPECT_EQ((std::vector<std::pair<std::string, int>>{{"only.part2.rar", 0}}), g_volume_calls);
}

// Compressed entries split over volumes: RAR 4, and a solid block over four RAR 5 volumes
// (libarchive's test data; the CRCs its own test asserts).
TEST(Unrar, CompressedEntriesSplitOverVolumesExtract) {
    Unrar rar;
    InFolder dir;
    g_volume_calls.clear();
    g_answer = 1;
    // RAR 4: the first entry of compressed-rar4.rar cut over two volumes (make_rar_fixtures.py).
    Unrar::Run run = rar.Walk(DataPath("rar4-split.part1.rar"), 1, 2, RecordVolume);
    EXPECT_EQ(10, run.end);
    EXPECT_EQ((std::vector<int>{0}), run.processed);
    EXPECT_EQ(0x5e05a663u, CrcOfFile(dir / "LibarchiveAddingTest.html"));

    g_volume_calls.clear();
    // Nine files of one solid block over four volumes.
    run = rar.Walk(DataPath("rar5-solid-vol.part01.rar"), 1, 2, RecordVolume);
    EXPECT_EQ(10, run.end);
    EXPECT_EQ(std::vector<int>(9, 0), run.processed);
    EXPECT_EQ(0x7E5EC49Eu, CrcOfFile(dir / "cebula.txt"));
    EXPECT_EQ(0x36a448ffu, CrcOfFile(dir / "test6.bin"));
    EXPECT_EQ(0x886F91EBu, CrcOfFile(dir / "elf-Linux-ARMv7-ls"));
    EXPECT_EQ((std::vector<std::pair<std::string, int>>{{"rar5-solid-vol.part02.rar", 1},
                                                        {"rar5-solid-vol.part03.rar", 1},
                                                        {"rar5-solid-vol.part04.rar", 1}}),
              g_volume_calls);
}

TEST(Unrar, FailHookMakesProcessFileFail) {
    Unrar rar;
    InFolder dir;
    SetEnvironmentVariableA("ARCHIVER_STUB", "fail:19,dll:UNRAR.DLL");
    Unrar::Run run = rar.Walk(DataPath("flat-store.rar"), 1, 2);
    SetEnvironmentVariableA("ARCHIVER_STUB", nullptr);
    EXPECT_EQ((std::vector<int>{19, 19}), run.processed);
    EXPECT_FALSE(FileExists(dir / "a.txt"));
}

}  // namespace
