#include <windows.h>

#include <fci.h>

#include <cstdlib>

#include "cab_format.h"
#include "cab_memory_files.h"

namespace arc {
namespace {

struct Context {
    CabMemoryFiles files;
    const std::vector<Item>* items;
    int temp_number = 0;
};

const char kSourcePrefix[] = "source:";

FNFCIALLOC(Alloc) {
    return std::malloc(cb);
}
FNFCIFREE(Free) {
    std::free(memory);
}
FNFCIOPEN(Open) {
    (void)pmode;
    intptr_t h = static_cast<Context*>(pv)->files.Open(pszFile, oflag);
    if (h == -1) *err = ERROR_FILE_NOT_FOUND;
    return h;
}
FNFCIREAD(Read) {
    (void)err;
    return static_cast<Context*>(pv)->files.Read(hf, memory, cb);
}
FNFCIWRITE(Write) {
    (void)err;
    return static_cast<Context*>(pv)->files.Write(hf, memory, cb);
}
FNFCICLOSE(Close) {
    (void)err;
    return static_cast<Context*>(pv)->files.Close(hf);
}
FNFCISEEK(Seek) {
    (void)err;
    return static_cast<Context*>(pv)->files.Seek(hf, dist, seektype);
}
FNFCIDELETE(Delete) {
    (void)err;
    static_cast<Context*>(pv)->files.Remove(pszFile);
    return 0;
}
FNFCIGETTEMPFILE(TempFile) {
    std::string name = "temp" + std::to_string(++static_cast<Context*>(pv)->temp_number);
    if (static_cast<int>(name.size()) >= cbTempName) return FALSE;
    std::memcpy(pszTempName, name.c_str(), name.size() + 1);
    return TRUE;
}
FNFCIFILEPLACED(Placed) {
    (void)pccab, (void)pszFile, (void)cbFile, (void)fContinuation, (void)pv;
    return 0;
}
FNFCIGETNEXTCABINET(NextCabinet) {
    (void)pccab, (void)cbPrevCab, (void)pv;
    return FALSE;  // everything goes into one cabinet
}
FNFCISTATUS(Progress) {
    (void)typeStatus, (void)cb1, (void)cb2, (void)pv;
    return 0;
}
FNFCIGETOPENINFO(OpenInfo) {
    Context* c = static_cast<Context*>(pv);
    size_t index = std::strtoul(pszName + sizeof kSourcePrefix - 1, nullptr, 10);
    const Item& item = (*c->items)[index];
    DosFromUnix(item.entry.mtime, pdate, ptime);
    *pattribs = static_cast<USHORT>(item.entry.attr & 0x27);
    if (*pattribs == 0) *pattribs = FILE_ATTRIBUTE_ARCHIVE;
    intptr_t h = c->files.Open(pszName, _O_RDONLY | _O_BINARY);
    if (h == -1) *err = ERROR_FILE_NOT_FOUND;
    return h;
}

}  // namespace

int Cab_Write(const std::vector<Item>& items, bool compress, Bytes* out) {
    Context c;
    c.items = &items;
    for (size_t i = 0; i < items.size(); ++i)
        if (!items[i].entry.is_dir) c.files.Put(kSourcePrefix + std::to_string(i), items[i].data);
    CCAB cab = {};
    cab.cb = 0x7FFFFFFF;
    cab.cbFolderThresh = 0x7FFFFFFF;
    std::strcpy(cab.szCab, "out.cab");
    ERF erf = {};
    HFCI fci = FCICreate(&erf, Placed, Alloc, Free, Open, Read, Write, Close, Seek, Delete,
                         TempFile, &cab, &c);
    if (!fci) return kErrCannotRead;
    const TCOMP type = compress ? tcompTYPE_MSZIP : tcompTYPE_NONE;
    bool ok = true;
    for (size_t i = 0; i < items.size() && ok; ++i) {
        if (items[i].entry.is_dir) continue;
        std::string source = kSourcePrefix + std::to_string(i);
        std::string name = ToBackslash(items[i].entry.name);
        ok = FCIAddFile(fci, &source[0], &name[0], FALSE, NextCabinet, Progress, OpenInfo, type) !=
             FALSE;
    }
    ok = ok && FCIFlushCabinet(fci, FALSE, NextCabinet, Progress) != FALSE;
    FCIDestroy(fci);
    if (!ok || !c.files.Take("out.cab", out)) return kErrCannotRead;
    return kOk;
}

}  // namespace arc
