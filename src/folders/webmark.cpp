#include "folders/webmark.h"

#include "lib/errors.h"
#include "lib/filex.h"
#include "lib/handles.h"
#include "lib/stdplus.h"
#include "lib/strx.h"
#include "shell/winx_zone.h"

namespace {

// Deeper than any archive a DLL writes; a walk that goes further stops there.
enum { kDeepest = 64 };

template <class Visit>
void WalkFiles(const std::string& folder, const std::string& relative, int depth, Visit visit) {
    if (depth > kDeepest) return;
    for (Own_Find find((folder + "\\*").c_str()); find.Next();) {
        // Under Wine a stream is a file of its own beside its file: no entry to mark.
        if (WinX_IsStreamName(find.Name())) continue;
        std::string name = relative.empty() ? find.Name() : relative + "\\" + find.Name();
        if (find.IsDir()) {
            WalkFiles(folder + "\\" + find.Name(), name, depth + 1, visit);
        } else {
            visit(folder + "\\" + find.Name(), name, find.Data());
        }
    }
}

unsigned long long Join(DWORD high, DWORD low) {
    return (static_cast<unsigned long long>(high) << 32) | low;
}

}  // namespace

WebMark_Carrier::WebMark_Carrier(const char* archive, const char* result)
    : marked_(WinX_ReadZoneMark(archive, &mark_)), result_(result) {}

WebMark_Carrier::~WebMark_Carrier() {
    if (marked_ && extracting_) Carry();
}

Zent_ReuseFolder WebMark_Carrier::Watch(const Zent_ReuseFolder& reuse) {
    if (!marked_) return reuse;
    return
        [this, reuse](const char* archive, char* folder) { return Decide(reuse, archive, folder); };
}

bool WebMark_Carrier::Decide(const Zent_ReuseFolder& reuse, const char* archive, char* folder) {
    bool extract;
    if (reuse) {
        extract = reuse(archive, folder);
    } else {
        // What the extraction does without a hook: a file where the folder should be is an
        // error, anything else is extracted.
        if (FileX_Exists(folder) && !FileX_IsDir(folder)) ERRORS_RAISE(Errors_Unofficial, "error");
        extract = true;
    }
    if (!extract) return false;
    extracting_ = true;
    before_.clear();
    if (FileX_IsDir(folder)) {
        WalkFiles(folder, "", 0,
                  [&](const std::string&, const std::string& name, const WIN32_FIND_DATAA& data) {
                      before_[name] = {Join(data.nFileSizeHigh, data.nFileSizeLow),
                                       Join(data.ftLastWriteTime.dwHighDateTime,
                                            data.ftLastWriteTime.dwLowDateTime)};
                  });
    }
    return true;
}

// The files of the folder that are new or changed since the extraction began: a folder the
// user had before keeps its own files unmarked.
void WebMark_Carrier::Carry() const {
    if (result_[0] == '\0' || !FileX_IsDir(result_)) return;
    WalkFiles(result_, "", 0,
              [&](const std::string& path, const std::string& name, const WIN32_FIND_DATAA& data) {
                  auto was = before_.find(name);
                  if (was != before_.end() &&
                      was->second.size == Join(data.nFileSizeHigh, data.nFileSizeLow) &&
                      was->second.written == Join(data.ftLastWriteTime.dwHighDateTime,
                                                  data.ftLastWriteTime.dwLowDateTime))
                      return;
                  WinX_WriteZoneMark(path.c_str(), &mark_);
              });
}
