// UNRAR.DLL stand-in: the UNRAR interface over RAR 2.9/4 and RAR 5 archives and their volume
// sets (formats/rar_reader). Encrypted entries answer ERAR_UNKNOWN_FORMAT. Fault hooks as for the
// other stand-ins (ARCHIVER_STUB): fail:CODE makes RARProcessFile return CODE, slow:MS delays each
// entry.
#include <windows.h>

#include <cstring>
#include <memory>
#include <mutex>
#include <set>

#include "../engine/handles.h"
#include "../engine/stub.h"
#include "../engine/util.h"
#include "rar_reader.h"

namespace {

const char kDll[] = "UNRAR.DLL";

enum : int {
    ERAR_END_ARCHIVE = 10,
    ERAR_NO_MEMORY = 11,
    ERAR_BAD_DATA = 12,
    ERAR_BAD_ARCHIVE = 13,
    ERAR_UNKNOWN_FORMAT = 14,
    ERAR_EOPEN = 15,
    ERAR_ECREATE = 16,
    ERAR_ECLOSE = 17,
    ERAR_EREAD = 18,
    ERAR_UNKNOWN = 21,
};

}  // namespace

// The published records, field by field.
struct RAROpenArchiveData {
    char* ArcName;
    UINT OpenMode;
    UINT OpenResult;
    char* CmtBuf;
    UINT CmtBufSize;
    UINT CmtSize;
    UINT CmtState;
};

struct RARHeaderData {
    char ArcName[260];
    char FileName[260];
    UINT Flags;
    UINT PackSize;
    UINT UnpSize;
    UINT HostOS;
    UINT FileCRC;
    UINT FileTime;
    UINT UnpVer;
    UINT Method;
    UINT FileAttr;
    char* CmtBuf;
    UINT CmtBufSize;
    UINT CmtSize;
    UINT CmtState;
};

#if !defined(_WIN64)
static_assert(sizeof(RAROpenArchiveData) == 28, "open data size");
static_assert(sizeof(RARHeaderData) == 572, "header size");
static_assert(offsetof(RARHeaderData, FileName) == 260, "file name offset");
static_assert(offsetof(RARHeaderData, Flags) == 520, "flags offset");
static_assert(offsetof(RARHeaderData, FileAttr) == 552, "attribute offset");
static_assert(offsetof(RARHeaderData, CmtBuf) == 556, "comment offset");
#endif

typedef int(CALLBACK* CHANGEVOLPROC)(char* arc_name, int mode);

namespace {

struct RarHandle {
    arc::RarReader reader;
    arc::RarHeader header;
    CHANGEVOLPROC change_volume = nullptr;
    bool extracting = false;
};

arc::HandleSet<RarHandle> g_open;
using arc::PtrText;

void CopyName(char* dest, size_t size, const std::string& text) {
    std::memset(dest, 0, size);
    std::memcpy(dest, text.data(), std::min(text.size(), size - 1));
}

int ProcessResult(int s) {
    switch (s) {
        case arc::kOk:
            return 0;
        case arc::kErrNotSupported:
            return ERAR_UNKNOWN_FORMAT;
        case arc::kErrCannotRead:
            return ERAR_EOPEN;
        case arc::kErrNotArchive:
            return ERAR_BAD_ARCHIVE;
        default:
            return ERAR_BAD_DATA;
    }
}

// Where an entry goes: DestName when given, else DestPath (or the current folder) and its
// stored path. Drive letters and leading separators are dropped, as the other stand-ins do.
std::string TargetOf(const std::string& stored, const char* dest_path, const char* dest_name) {
    if (dest_name && *dest_name) return dest_name;
    std::string name = stored;
    if (name.size() >= 2 && name[1] == ':') name = name.substr(2);
    while (!name.empty() && name[0] == '\\') name = name.substr(1);
    if (dest_path && *dest_path) {
        std::string base = dest_path;
        if (!base.empty() && base.back() != '\\') base += '\\';
        return base + name;
    }
    return name;
}

std::string ParentOf(const std::string& path) {
    size_t cut = std::string::npos;
    for (size_t i = 0; i < path.size(); ++i) {
        if (arc::IsLead(static_cast<unsigned char>(path[i])) && i + 1 < path.size())
            ++i;
        else if (path[i] == '\\')
            cut = i;
    }
    return cut == std::string::npos ? "" : path.substr(0, cut);
}

int Extract(RarHandle* h, bool test, const char* dest_path, const char* dest_name) {
    arc::Bytes content;
    int r = ProcessResult(h->reader.Process(&content));
    if (r || test) return r;
    const arc::Entry& e = h->header.entry;
    std::string target = TargetOf(arc::ToBackslash(e.name), dest_path, dest_name);
    if (target.empty()) return 0;
    if (e.is_dir) return arc::MakeDirs(target) ? 0 : ERAR_ECREATE;
    std::string parent = ParentOf(target);
    if (!parent.empty() && !arc::MakeDirs(parent)) return ERAR_ECREATE;
    if (!arc::WriteWholeFile(target, content.data(), content.size())) return ERAR_ECREATE;
    arc::SetTimes(target, e.mtime, false);
    return 0;
}

// Nothing may leave an export as a C++ exception (the caller is C, or another runtime): an
// allocation failure on a huge entry becomes the interface's own code.
template <class Fn>
auto Guarded(Fn&& body, decltype(body()) on_failure) -> decltype(body()) {
    try {
        return body();
    } catch (...) {
        return on_failure;
    }
}

}  // namespace

extern "C" {

static HANDLE OpenArchive(RAROpenArchiveData* data) {
    if (!data) return nullptr;
    std::string name = data->ArcName ? data->ArcName : "";
    arc::Stub_Log(kDll, "RAROpenArchive", name + " " + std::to_string(data->OpenMode));
    data->CmtSize = 0;
    data->CmtState = 0;
    auto h = std::make_unique<RarHandle>();
    h->extracting = data->OpenMode == 1;
    int s = h->reader.Open(name);
    if (s != arc::kOk) {
        data->OpenResult = s == arc::kErrCannotRead ? ERAR_EOPEN : ERAR_BAD_ARCHIVE;
        return nullptr;
    }
    data->OpenResult = 0;
    RarHandle* raw = h.get();
    raw->reader.SetVolumeHook([raw](std::string& volume, bool missing) {
        if (!raw->change_volume) return false;
        char buffer[1024];
        CopyName(buffer, sizeof buffer, volume);
        int answer = raw->change_volume(buffer, missing ? 0 : 1);
        volume = buffer;
        return answer != 0;
    });
    return g_open.Add(std::move(h));
}

void WINAPI RARSetChangeVolProc(HANDLE handle, CHANGEVOLPROC proc) {
    arc::Stub_Log(kDll, "RARSetChangeVolProc", PtrText(handle));
    if (RarHandle* h = g_open.Find(handle)) h->change_volume = proc;
}

static int ReadHeader(HANDLE handle, RARHeaderData* data) {
    arc::Stub_Log(kDll, "RARReadHeader", PtrText(handle));
    RarHandle* h = g_open.Find(handle);
    if (!h || !data) return ERAR_UNKNOWN;
    int s = h->reader.ReadHeader(&h->header);
    if (s == arc::kErrNotArchive) return ERAR_END_ARCHIVE;
    if (s == arc::kErrCannotRead) return ERAR_EOPEN;
    if (s == arc::kErrNotSupported) return ERAR_UNKNOWN_FORMAT;
    if (s != arc::kOk) return ERAR_BAD_DATA;
    const arc::RarHeader& rh = h->header;
    CopyName(data->ArcName, sizeof data->ArcName, "");
    CopyName(data->FileName, sizeof data->FileName, arc::ToBackslash(rh.entry.name));
    data->Flags = rh.flags & 0xFFFF & ~0x8000u;
    data->PackSize = rh.pack_size;
    data->UnpSize = static_cast<UINT>(rh.entry.size);
    data->HostOS = rh.host_os;
    data->FileCRC = rh.entry.crc;
    data->FileTime = rh.file_time;
    data->UnpVer = rh.unp_ver;
    data->Method = rh.method;
    data->FileAttr = rh.entry.attr;
    data->CmtSize = 0;
    data->CmtState = 0;
    return 0;
}

static int ProcessFile(HANDLE handle, int operation, char* dest_path, char* dest_name) {
    arc::Stub_Log(kDll, "RARProcessFile", PtrText(handle) + " " + std::to_string(operation));
    RarHandle* h = g_open.Find(handle);
    if (!h) return ERAR_UNKNOWN;
    if (operation == 0) return ProcessResult(h->reader.Process(nullptr));
    arc::StubHooks hooks = arc::Stub_Read(kDll);
    if (hooks.slow_ms > 0) Sleep(hooks.slow_ms);
    if (hooks.fail) {
        h->reader.Process(nullptr);
        return hooks.fail;
    }
    return Extract(h, operation == 1 || !h->extracting, dest_path, dest_name);
}

int WINAPI RARCloseArchive(HANDLE handle) {
    arc::Stub_Log(kDll, "RARCloseArchive", PtrText(handle));
    return g_open.Close(handle) ? 0 : ERAR_ECLOSE;
}

HANDLE WINAPI RAROpenArchive(RAROpenArchiveData* data) {
    return Guarded([&] { return OpenArchive(data); }, static_cast<HANDLE>(nullptr));
}

int WINAPI RARReadHeader(HANDLE handle, RARHeaderData* data) {
    return Guarded([&] { return ReadHeader(handle, data); }, static_cast<int>(ERAR_BAD_DATA));
}

int WINAPI RARProcessFile(HANDLE handle, int operation, char* dest_path, char* dest_name) {
    return Guarded([&] { return ProcessFile(handle, operation, dest_path, dest_name); },
                   static_cast<int>(ERAR_NO_MEMORY));
}

int WINAPI RARGetDllVersion() {
    return 4;
}

}  // extern "C"
