// Throughput of the support library's file copy and tree walk, for comparing changes:
//   libbench.exe [folder]    (default: the temporary folder)
// Copies a 64 MiB file with FileX_Copy and walks a tree of 20,000 files with NestFind,
// printing MB/s and files/s. Not a test: it checks nothing and is not run by the suite.
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "app/app.h"
#include "lib/except3.h"
#include "lib/filex.h"
#include "lib/nestfind.h"

static double Seconds(const LARGE_INTEGER& from, const LARGE_INTEGER& to) {
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(to.QuadPart - from.QuadPart) / frequency.QuadPart;
}

static void MakeBigFile(const std::string& path, size_t bytes) {
    FILE* f = FileX_Open(path.c_str(), "wb");
    std::vector<char> block(1 << 20);
    for (size_t i = 0; i < block.size(); i++) block[i] = static_cast<char>(i * 31);
    for (size_t done = 0; done < bytes; done += block.size())
        fwrite(block.data(), 1, block.size(), f);
    fclose(f);
}

static void MakeTree(const std::string& root, int files) {
    const int per_folder = 500;
    for (int i = 0; i < files; i++) {
        char path[MAX_PATH];
        snprintf(path, sizeof path, "%s\\d%03d\\f%05d.txt", root.c_str(), i / per_folder, i);
        if (i % per_folder == 0) FileX_MakeDirs(path, true);
        HANDLE h = CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        CloseHandle(h);
    }
}

static void Run(const std::string& base) {
    std::string work = base + "\\quarvel-libbench";
    FileX_MakeDirs(work.c_str(), false);
    const size_t size = 64u << 20;
    std::string src = work + "\\big.bin";
    std::string dst = work + "\\copy\\big.bin";
    MakeBigFile(src, size);
    LARGE_INTEGER t0, t1;
    QueryPerformanceCounter(&t0);
    FileX_Copy(dst.c_str(), src.c_str());
    QueryPerformanceCounter(&t1);
    double copy_s = Seconds(t0, t1);
    printf("copy  %zu MiB in %.3f s: %.1f MB/s\n", size >> 20, copy_s, size / 1e6 / copy_s);

    const int files = 20000;
    std::string tree = work + "\\tree";
    MakeTree(tree, files);
    static NestFind walk;
    QueryPerformanceCounter(&t0);
    int seen = 0;
    NestFind_Begin(&walk, tree.c_str(), 0);
    while (NestFind_Next(&walk)) {
        NestFind_Path(&walk);
        seen++;
    }
    NestFind_End(&walk);
    QueryPerformanceCounter(&t1);
    double walk_s = Seconds(t0, t1);
    printf("walk  %d files in %.3f s: %.0f files/s\n", seen, walk_s, seen / walk_s);

    FileX_DeleteTree(work.c_str());
}

int main(int argc, char** argv) {
    App_Startup(__DATE__, __TIME__);
    char temp[MAX_PATH];
    GetTempPathA(sizeof temp, temp);
    std::string base = argc > 1 ? argv[1] : temp;
    if (!base.empty() && base.back() == '\\') base.pop_back();
    int status = 0;
    Except_TryCatch(
        __FILE__, __LINE__, [&] { Run(base); },
        [&] {
            fprintf(stderr, "libbench: %s\n", Except_Error()->message);
            status = 1;
        });
    return status;
}
