// The mark Windows gives a downloaded file: a "Zone.Identifier" stream, a few lines such as
// "[ZoneTransfer]" and "ZoneId=3". SmartScreen and Office's Protected View go by it, so
// what comes out of a marked archive must carry it on. Under Wine a stream is kept as a
// file named "<name>:Zone.Identifier" beside its file, and folder listings show it.

#include "winx_zone.h"

#include <strings.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "lib/stdplus.h"

namespace {

const char kStream[] = ":Zone.Identifier";

void StreamName(const char* file, char* out, size_t size) {
    snprintf(out, size, "%s%s", file, kStream);
}

// The zone of a mark: the number after "ZoneId=" at the start of a line; -1 without one.
int ZoneOf(const char* text) {
    for (const char* line = text; line != nullptr && *line != '\0';) {
        while (*line == ' ' || *line == '\t') line++;
        if (strncasecmp(line, "ZoneId", 6) == 0) {
            const char* p = line + 6;
            while (*p == ' ' || *p == '\t') p++;
            if (*p == '=') return atoi(p + 1);
        }
        line = strchr(line, '\n');
        if (line != nullptr) line++;
    }
    return -1;
}

}  // namespace

bool WinX_ReadZoneMark(const char* file, WinX_ZoneMark* mark) {
    mark->size = 0;
    mark->text[0] = '\0';
    char stream[MAX_PATH + sizeof kStream];
    StreamName(file, stream, sizeof stream);
    HANDLE h = CreateFileA(stream, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                           OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    // One byte more than a mark may hold tells a longer stream apart.
    enum { kLongest = sizeof mark->text - 1 };
    char text[kLongest + 2];
    DWORD got = 0;
    BOOL read = ReadFile(h, text, kLongest + 1, &got, nullptr);
    CloseHandle(h);
    if (!read) return false;
    if (got <= kLongest) {
        memcpy(mark->text, text, got);
        mark->text[got] = '\0';
        mark->size = got;
    } else {
        // Longer than any mark Windows writes: only its zone is carried on.
        text[got] = '\0';
        int zone = ZoneOf(text);
        mark->size = static_cast<DWORD>(snprintf(
            mark->text, sizeof mark->text, "[ZoneTransfer]\r\nZoneId=%d\r\n", zone < 0 ? 3 : zone));
    }
    return true;
}

bool WinX_WriteZoneMark(const char* file, const WinX_ZoneMark* mark) {
    char stream[MAX_PATH + sizeof kStream];
    StreamName(file, stream, sizeof stream);
    HANDLE h = CreateFileA(stream, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                           nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;  // a volume without streams (FAT) keeps none
    DWORD written = 0;
    BOOL ok = WriteFile(h, mark->text, mark->size, &written, nullptr) && written == mark->size;
    return CloseHandle(h) && ok;
}

bool WinX_IsInternetZone(const WinX_ZoneMark* mark) {
    // 3 is the Internet, 4 the restricted sites; a mark whose zone cannot be read was still
    // put there by a download.
    int zone = ZoneOf(mark->text);
    return zone < 0 || zone >= 3;
}

bool WinX_CameFromInternet(const char* file) {
    WinX_ZoneMark mark;
    return WinX_ReadZoneMark(file, &mark) && WinX_IsInternetZone(&mark);
}

bool WinX_IsStreamName(const char* name) {
    // No name of a file or folder of its own holds a colon; under Wine a stream's does.
    return StdPlus_FindChar(name, ':') != nullptr;
}
