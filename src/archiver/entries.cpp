#include "archiver/entries.h"

#include <cstdio>

#include "archiver/arcdll_api.h"
#include "archiver/dllbind.h"
#include "lib/errors.h"
#include "lib/handles.h"

void Zent_ForEachEntry(const char* archive, const std::function<bool(const char* path)>& visit) {
    Zent_DllId id = Zent_ExtractDllOf(archive);
    const Zent_ExtractRow& row = Zent_Dll(id).extract;
    if (row.own_interface) {
        ERRORS_RAISE(Errors_Unofficial, "%s の中身の一覧は、この形式では読めません。", archive);
    }
    Zent_DllFrame frame(id, row.missing);
    auto open = frame.Dll().Get<Zent_OpenArchiveFn>("OpenArchive");
    auto close = frame.Dll().Get<Zent_CloseArchiveFn>("CloseArchive");
    auto first = frame.Dll().Get<Zent_FindFirstFn>("FindFirst");
    auto next = frame.Dll().Get<Zent_FindNextFn>("FindNext");
    char quoted[300];
    snprintf(quoted, sizeof quoted, "\"%s\"", archive);
    Own_Archive<HARC, Zent_CloseArchiveFn> opened(
        open(nullptr, row.quoted_probe ? quoted : archive,
             Zent_OpenMode_IgnoreSettings | Zent_OpenMode_MatchNames),
        close);
    if (opened.Get() == nullptr) return;
    Zent_EntryRecord entry = {};
    for (int found = first(opened.Get(), row.wildcard, &entry); found == 0;
         found = next(opened.Get(), &entry)) {
        char path[sizeof entry.path + 1];
        snprintf(path, sizeof path, "%.*s", static_cast<int>(sizeof entry.path), entry.path);
        if (!visit(path)) return;
    }
}
