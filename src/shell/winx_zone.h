#pragma once
// The web's mark on a downloaded file.
#include <windows.h>

// The "Zone.Identifier" stream Windows gives a downloaded file. Under Wine a stream is a
// file named "<name>:Zone.Identifier" beside its file.
struct WinX_ZoneMark {
    char text[4096];  // the stream's lines, terminated
    DWORD size;       // bytes of the stream
};
// False when the file carries no mark. A stream too long for the record is read as a mark of
// its zone alone.
bool WinX_ReadZoneMark(const char* file, WinX_ZoneMark* mark);
// Gives the file the mark, replacing one it had. Never raises: false when it could not be
// written (a volume that keeps no streams, say).
bool WinX_WriteZoneMark(const char* file, const WinX_ZoneMark* mark);
// The Internet or a restricted site (ZoneId 3 or 4), or a zone the mark does not say.
bool WinX_IsInternetZone(const WinX_ZoneMark* mark);
bool WinX_CameFromInternet(const char* file);
// A name from a folder listing that is a stream of another entry (it holds a colon, which
// no name of a file or folder of its own can): never an entry in its own right.
bool WinX_IsStreamName(const char* name);
