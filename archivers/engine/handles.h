#pragma once
// The handles one DLL has given out. Only those are taken back: a stale or foreign handle
// finds nothing and closes nothing.
#include <windows.h>

#include <cstdio>
#include <memory>
#include <mutex>
#include <set>
#include <string>

namespace arc {

template <class T>
class HandleSet {
public:
    HANDLE Add(std::unique_ptr<T> object) {
        std::lock_guard<std::mutex> guard(lock_);
        open_.insert(object.get());
        return object.release();
    }
    T* Find(HANDLE h) {
        std::lock_guard<std::mutex> guard(lock_);
        auto* p = static_cast<T*>(h);
        return open_.count(p) ? p : nullptr;
    }
    // False for a handle that is not open.
    bool Close(HANDLE h) {
        auto* p = static_cast<T*>(h);
        {
            std::lock_guard<std::mutex> guard(lock_);
            if (!open_.erase(p)) return false;
        }
        delete p;
        return true;
    }

private:
    std::mutex lock_;
    std::set<T*> open_;
};

// A handle as the call log shows it.
inline std::string PtrText(const void* p) {
    char text[32];
    std::snprintf(text, sizeof text, "%p", p);
    return text;
}

}  // namespace arc
