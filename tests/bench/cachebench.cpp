// Cost of the cache on a melt, for comparing changes:
//   cachebench.exe [folder]    (default: the temporary folder)
// Fills a cache database with 1024 entries, then times finding the last one (database
// opened and closed around it) and Zent_ExtractIntoBase into the cache of an archive already melted
// and unchanged, printing milliseconds. Not a test: it checks nothing and is not run by the
// suite. The archiver DLLs are the ones beside the program.
#include <windows.h>

#include <cstdio>
#include <string>

#include "app/app.h"
#include "folders/destination.h"
#include "folders/cachedb.h"
#include "lib/except3.h"
#include "lib/filex.h"

static double Ms(const LARGE_INTEGER& from, const LARGE_INTEGER& to) {
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return 1000.0 * static_cast<double>(to.QuadPart - from.QuadPart) / frequency.QuadPart;
}

static LARGE_INTEGER Now() {
    LARGE_INTEGER t;
    QueryPerformanceCounter(&t);
    return t;
}

static char g_area[CacheDB_AreaSize];

static void FillCache(const std::string& root, const std::string& db_file, int entries) {
    std::string archives = root + "\\archives";
    CreateDirectoryA(archives.c_str(), nullptr);
    CacheDB db;
    CacheDB_Open(&db, db_file.c_str(), g_area, sizeof g_area);
    for (int i = 0; i < entries; i++) {
        std::string name = archives + "\\a" + std::to_string(i) + ".lzh";
        FILE* f = FileX_Open(name.c_str(), "wb");
        fprintf(f, "archive %d", i);
        fclose(f);
        char folder[260];
        snprintf(folder, sizeof folder, "%s\\cache\\a%d", root.c_str(), i);
        CacheDB_FindOrAdd(&db, name.c_str(), folder);
    }
    CacheDB_Close(&db);
}

static void Run(const std::string& root) {
    std::string cache = root + "\\cache";
    CreateDirectoryA(cache.c_str(), nullptr);
    std::string db_file = cache + "\\cache-db.ini";
    FillCache(root, db_file, CacheDB_MaxEntries - 1);

    const int rounds = 20;
    std::string last = root + "\\archives\\a" + std::to_string(CacheDB_MaxEntries - 2) + ".lzh";
    LARGE_INTEGER t0 = Now();
    for (int i = 0; i < rounds; i++) {
        CacheDB db;
        CacheDB_Open(&db, db_file.c_str(), g_area, sizeof g_area);
        char folder[260];
        snprintf(folder, sizeof folder, "%s\\a%d", cache.c_str(), CacheDB_MaxEntries - 2);
        if (CacheDB_Find(&db, last.c_str(), folder) == nullptr) printf("entry not found!\n");
        CacheDB_Close(&db);
    }
    LARGE_INTEGER t1 = Now();
    printf("find in a full cache database (open, find, close): %.2f ms\n", Ms(t0, t1) / rounds);

    std::string archive = root + "\\flat.lzh";
    std::string data = std::string(QUARVEL_SOURCE_DIR) + "/tests/data/flat.lzh";
    if (!CopyFileA(data.c_str(), archive.c_str(), FALSE)) {
        printf("cannot copy %s\n", data.c_str());
        return;
    }
    char result[260];
    Zent_ExtractIntoBase(archive.c_str(), cache.c_str(), result, true, cache.c_str(), nullptr);
    t0 = Now();
    for (int i = 0; i < rounds; i++)
        Zent_ExtractIntoBase(archive.c_str(), cache.c_str(), result, true, cache.c_str(), nullptr);
    t1 = Now();
    printf("melt of an unchanged archive already in the cache: %.2f ms\n", Ms(t0, t1) / rounds);
}

int main(int argc, char** argv) {
    App_Startup(__DATE__, __TIME__);
    char temp[MAX_PATH];
    GetTempPathA(sizeof temp, temp);
    std::string root =
        (argc > 1 && argv[1][0] != '-' ? std::string(argv[1]) : std::string(temp)) + "\\cachebench";
    CreateDirectoryA(root.c_str(), nullptr);
    Except_TryFinally(
        __FILE__, __LINE__, [&] { Run(root); }, [&] { FileX_DeleteTree(root.c_str()); });
    return 0;
}
