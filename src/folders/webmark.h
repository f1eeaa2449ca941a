#pragma once
// The web's mark carried from an archive to what comes out of it: when the archive carries
// a Zone.Identifier stream, every file an extraction writes from it gets the same stream, as
// Windows' own extraction does. One read of the archive's mark, one small write per file;
// an archive without a mark costs nothing more.
#include <map>
#include <string>

#include "archiver/extract.h"
#include "shell/winx_zone.h"

class WebMark_Carrier {
public:
    // result: the caller's buffer that receives the folder holding the content (after a
    // cancel in the DLL, the "-remnants" folder).
    WebMark_Carrier(const char* archive, const char* result);
    // Marks the files the extraction wrote, on every way out: what a cancelled extraction
    // left is shown to the user as well.
    ~WebMark_Carrier();
    WebMark_Carrier(const WebMark_Carrier&) = delete;
    WebMark_Carrier& operator=(const WebMark_Carrier&) = delete;

    // The hook to hand to the extraction: reuse (which may be empty) as it was, noting
    // whether the DLL runs and what the folder held before it did.
    Zent_ReuseFolder Watch(const Zent_ReuseFolder& reuse);

private:
    struct Stamp {
        unsigned long long size;
        unsigned long long written;
    };
    typedef std::map<std::string, Stamp> Snapshot;
    bool Decide(const Zent_ReuseFolder& reuse, const char* archive, char* folder);
    void Carry() const;

    bool marked_;
    WinX_ZoneMark mark_;
    const char* result_;
    bool extracting_ = false;
    Snapshot before_;  // the files the folder held before the extraction, by relative path
};
