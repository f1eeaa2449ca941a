#pragma once
// The files that cabinet.dll's FDI and FCI open through our callbacks: all of them (the
// cabinet, its sources, FCI's temporaries, extracted entries) live in memory, so the
// cabinet code works on bytes like every other format here. Internal to the cab modules.
#include <fcntl.h>

#include <cstdio>
#include <cstring>

#include <map>
#include <memory>
#include <string>

#include "../engine/util.h"

namespace arc {

class CabMemoryFiles {
public:
    // -1 when a file to read does not exist.
    intptr_t Open(const std::string& name, int oflag) {
        const bool create =
            (oflag & (_O_CREAT | _O_TRUNC)) != 0 || (oflag & (_O_WRONLY | _O_RDWR)) != 0;
        auto it = files_.find(name);
        if (it == files_.end()) {
            if (!create) return -1;
            it = files_.emplace(name, std::make_shared<Bytes>()).first;
        } else if (oflag & _O_TRUNC) {
            it->second->clear();
        }
        handles_.push_back({it->second, 0, name});
        return static_cast<intptr_t>(handles_.size());
    }
    unsigned Read(intptr_t h, void* to, unsigned size) {
        Handle* f = Get(h);
        if (!f) return static_cast<unsigned>(-1);
        size_t left = f->pos < f->data->size() ? f->data->size() - f->pos : 0;
        size_t n = size < left ? size : left;
        if (n) std::memcpy(to, f->data->data() + f->pos, n);
        f->pos += n;
        return static_cast<unsigned>(n);
    }
    unsigned Write(intptr_t h, const void* from, unsigned size) {
        Handle* f = Get(h);
        if (!f) return static_cast<unsigned>(-1);
        if (f->data->size() < f->pos + size) f->data->resize(f->pos + size);
        if (size) std::memcpy(f->data->data() + f->pos, from, size);
        f->pos += size;
        return size;
    }
    long Seek(intptr_t h, long distance, int whence) {
        Handle* f = Get(h);
        if (!f) return -1;
        long base = whence == SEEK_SET   ? 0
                    : whence == SEEK_CUR ? static_cast<long>(f->pos)
                                         : static_cast<long>(f->data->size());
        if (base + distance < 0) return -1;
        f->pos = static_cast<size_t>(base + distance);
        return static_cast<long>(f->pos);
    }
    int Close(intptr_t h) {
        Handle* f = Get(h);
        if (!f) return -1;
        f->data.reset();
        return 0;
    }
    void Put(const std::string& name, Bytes data) {
        files_[name] = std::make_shared<Bytes>(std::move(data));
    }
    bool Take(const std::string& name, Bytes* out) {
        auto it = files_.find(name);
        if (it == files_.end()) return false;
        *out = *it->second;
        return true;
    }
    void Remove(const std::string& name) { files_.erase(name); }
    // The content written through a handle, by handle (extracted entries are anonymous).
    std::shared_ptr<Bytes> DataOf(intptr_t h) {
        Handle* f = Get(h);
        return f ? f->data : nullptr;
    }

private:
    struct Handle {
        std::shared_ptr<Bytes> data;
        size_t pos;
        std::string name;
    };
    Handle* Get(intptr_t h) {
        if (h < 1 || static_cast<size_t>(h) > handles_.size() || !handles_[h - 1].data)
            return nullptr;
        return &handles_[h - 1];
    }
    std::map<std::string, std::shared_ptr<Bytes>> files_;
    std::vector<Handle> handles_;
};

}  // namespace arc
