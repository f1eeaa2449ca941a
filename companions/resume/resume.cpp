// resume.exe: joins the pieces that Quarvel's "divide to floppy" wrote back into the archive.
//
//   resume.exe [folder]
//
// The pieces "1", "2", ... and their descriptions "1.ini", "2.ini", ... are read from the
// folder (by default the program's own: it rides on the first disk). The user picks where
// the archive goes; each further disk is asked for in turn unless its piece lies in the same
// folder. Every disk must describe the same archive under its own number, and every piece
// must carry the archive's time; the joined file must have the size and the time that
// "1.ini" records. Until then it is written under a temporary name, so a refused or
// cancelled join leaves nothing behind and a file it replaces stays as it was.
//
// The program travels on disk 1, where every kilobyte is taken from the first piece: it
// uses the Windows API and the C runtime only. Started from a removable disk it runs from a
// copy in the temporary folder, so that the disk can be taken out.
#include <windows.h>
#include <shlobj.h>

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

namespace {

const char kTitle[] = "結合 - Quarvel";
// FAT keeps modification times to two seconds.
const long long kTimeSlack = 2;

// ---- Files and times ---------------------------------------------------------------------

bool Exists(const char* path) {
    return GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES;
}

// The folder of a path, with its trailing backslash.
void FolderOf(const char* path, char* out) {
    snprintf(out, MAX_PATH, "%s", path);
    char* last = nullptr;
    for (char* p = out; *p != '\0'; p++) {
        if (IsDBCSLeadByte(static_cast<BYTE>(*p)) && p[1] != '\0') {
            p++;
        } else if (*p == '\\') {
            last = p;
        }
    }
    if (last != nullptr) last[1] = '\0';
}

void WithBackslash(char* folder) {
    size_t n = strlen(folder);
    bool ends = n > 0 && folder[n - 1] == '\\' &&
                !(n > 1 && IsDBCSLeadByte(static_cast<BYTE>(folder[n - 2])));
    if (!ends && n + 1 < MAX_PATH) strcat(folder, "\\");
}

bool IsRemovable(const char* path) {
    char root[4] = {path[0], ':', '\\', '\0'};
    return path[1] == ':' && GetDriveTypeA(root) == DRIVE_REMOVABLE;
}

long long UnixTime(const FILETIME& ft) {
    ULARGE_INTEGER t;
    t.LowPart = ft.dwLowDateTime;
    t.HighPart = ft.dwHighDateTime;
    return static_cast<long long>(t.QuadPart / 10000000ull) - 11644473600ll;
}

bool FileTimeAndSize(const char* path, long long* time, long long* size) {
    WIN32_FILE_ATTRIBUTE_DATA info;
    if (!GetFileAttributesExA(path, GetFileExInfoStandard, &info)) return false;
    *time = UnixTime(info.ftLastWriteTime);
    *size = (static_cast<long long>(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
    return true;
}

bool SetTime(const char* path, long long time) {
    ULARGE_INTEGER t;
    t.QuadPart = static_cast<unsigned long long>(time + 11644473600ll) * 10000000ull;
    FILETIME ft{t.LowPart, t.HighPart};
    HANDLE file = CreateFileA(path, FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    bool ok = SetFileTime(file, nullptr, nullptr, &ft) != FALSE;
    return CloseHandle(file) != FALSE && ok;
}

// ---- Descriptions ------------------------------------------------------------------------

// What a description file "N.ini" says; the first disk's says it all.
struct Description {
    char name[MAX_PATH];
    int number;
    long long total;
    int disks;
    long long update;  // seconds since 1970, from the local time written
    bool has_update;
};

// "key = value" without the line end and the blank before it; a quoted value loses its
// quotes, doubled quotes inside become one.
void Unquote(char* value) {
    if (value[0] != '"') return;
    char* out = value;
    for (const char* in = value + 1; *in != '\0'; in++) {
        if (*in == '"') {
            if (in[1] != '"') break;
            in++;
        }
        *out++ = *in;
    }
    *out = '\0';
}

void Take(Description* d, const char* key, char* value) {
    if (strcmp(key, "OriginalFName") == 0) {
        Unquote(value);
        snprintf(d->name, sizeof d->name, "%s", value);
    } else if (strcmp(key, "Number") == 0) {
        d->number = atoi(value);
    } else if (strcmp(key, "TotalSize") == 0) {
        d->total = atoll(value);
    } else if (strcmp(key, "NFlopy") == 0) {
        d->disks = atoi(value);
    } else if (strcmp(key, "Update") == 0) {
        tm t{};
        if (sscanf(value, "%d/%d/%d-%d:%d:%d", &t.tm_year, &t.tm_mon, &t.tm_mday, &t.tm_hour,
                   &t.tm_min, &t.tm_sec) == 6) {
            t.tm_year -= 1900;
            t.tm_mon -= 1;
            t.tm_isdst = -1;
            d->update = static_cast<long long>(mktime(&t));
            d->has_update = true;
        }
    }
}

// False when the file is missing or has no number in its "main" section.
bool ReadDescription(const char* path, Description* d) {
    memset(d, 0, sizeof *d);
    FILE* f = fopen(path, "r");
    if (f == nullptr) return false;
    char line[1024];
    bool in_main = false;
    while (fgets(line, sizeof line, f) != nullptr) {
        line[strcspn(line, "\r\n")] = '\0';
        size_t n = strlen(line);
        while (n > 0 && line[n - 1] == ' ') line[--n] = '\0';
        if (line[0] == '[') {
            in_main = strcmp(line, "[main]") == 0;
            continue;
        }
        char* equals = strstr(line, " = ");
        if (!in_main || equals == nullptr) continue;
        *equals = '\0';
        Take(d, line, equals + 3);
    }
    fclose(f);
    return d->number > 0;
}

// The device names of MS-DOS, with or without an extension.
bool IsDeviceName(const char* name) {
    static const char* const kDevices[] = {"CON",    "PRN",    "AUX",    "NUL",
                                           "CLOCK$", "CONIN$", "CONOUT$"};
    size_t stem = strcspn(name, ".");
    for (const char* device : kDevices) {
        if (stem == strlen(device) && _strnicmp(name, device, stem) == 0) return true;
    }
    return stem == 4 && (_strnicmp(name, "COM", 3) == 0 || _strnicmp(name, "LPT", 3) == 0) &&
           name[3] >= '0' && name[3] <= '9';
}

// A name that can only be a file in the chosen folder: not empty, no folder, drive or
// stream (no separator, no ":"), no wildcard or control character, not "." or "..", no
// device, and no trailing dot or blank that Windows would drop.
bool IsPlainFileName(const char* name) {
    if (name[0] == '\0' || IsDeviceName(name)) return false;
    char last = '\0';
    for (const char* p = name; *p != '\0'; p++) {
        if (IsDBCSLeadByte(static_cast<BYTE>(*p)) && p[1] != '\0') {
            p++;  // a trail byte may be a backslash: it is part of the character
            last = 'x';
            continue;
        }
        if (static_cast<BYTE>(*p) < 0x20 || strchr("\\/:*?\"<>|", *p) != nullptr) return false;
        last = *p;
    }
    return last != '.' && last != ' ';
}

// ---- The join -----------------------------------------------------------------------------

class Joiner {
public:
    explicit Joiner(const char* source) {
        snprintf(source_, sizeof source_, "%s", source);
        WithBackslash(source_);
        removable_ = IsRemovable(source_);
    }
    int Run();

private:
    bool ReadFirst();
    bool ChooseTarget();
    bool JoinPieces(FILE* out);
    bool NextDisk(int number);
    bool CheckDisk(int number);
    bool Append(FILE* out, int number);
    bool CheckResult();
    bool Fail(const char* format, ...) __attribute__((format(gnu_printf, 2, 3)));
    void PathOf(char* out, const char* format, int number) const;

    char source_[MAX_PATH];
    bool removable_;
    Description first_{};
    char target_[MAX_PATH] = "";
    char temporary_[MAX_PATH] = "";
    long long joined_ = 0;
    char problem_[1200] = "";
};

bool Joiner::Fail(const char* format, ...) {
    va_list args;
    va_start(args, format);
    vsnprintf(problem_, sizeof problem_, format, args);
    va_end(args);
    return false;
}

void Joiner::PathOf(char* out, const char* format, int number) const {
    char name[32];
    snprintf(name, sizeof name, format, number);
    snprintf(out, MAX_PATH, "%s%s", source_, name);
}

bool Joiner::ReadFirst() {
    char path[MAX_PATH];
    PathOf(path, "%d.ini", 1);
    if (!ReadDescription(path, &first_) || first_.number != 1 || first_.total < 0 ||
        !first_.has_update)
        return Fail(
            "%s がないか、分割ファイルの説明として読めません。\r\n"
            "1 枚目のフロッピーにある resume.exe を実行してください。",
            path);
    // The joined file goes into the folder the user picks, under this name and nowhere else.
    if (!IsPlainFileName(first_.name))
        return Fail("%s の元のファイル名「%s」は、ファイル名として使えません。", path, first_.name);
    return true;
}

// The folder picker starts at the desktop.
int CALLBACK StartAtDesktop(HWND picker, UINT message, LPARAM, LPARAM) {
    char desktop[MAX_PATH];
    if (message == BFFM_INITIALIZED &&
        SUCCEEDED(SHGetFolderPathA(nullptr, CSIDL_DESKTOPDIRECTORY, nullptr, SHGFP_TYPE_CURRENT,
                                   desktop)))
        SendMessageA(picker, BFFM_SETSELECTIONA, TRUE, reinterpret_cast<LPARAM>(desktop));
    return 0;
}

// False when the user cancelled or would not replace a file of that name.
bool Joiner::ChooseTarget() {
    char title[MAX_PATH + 64], folder[MAX_PATH] = "";
    snprintf(title, sizeof title, "%s を保存するフォルダを選んでください。", first_.name);
    BROWSEINFOA info{};
    info.pszDisplayName = folder;
    info.lpszTitle = title;
    info.ulFlags = BIF_RETURNONLYFSDIRS;
    info.lpfn = StartAtDesktop;
    LPITEMIDLIST chosen = SHBrowseForFolderA(&info);
    if (chosen == nullptr) return false;
    BOOL ok = SHGetPathFromIDListA(chosen, folder);
    CoTaskMemFree(chosen);
    if (!ok) return false;
    WithBackslash(folder);
    snprintf(target_, sizeof target_, "%s%s", folder, first_.name);
    if (Exists(target_)) {
        char question[MAX_PATH + 64];
        snprintf(question, sizeof question, "%s はすでにあります。置き換えますか？", target_);
        if (MessageBoxA(nullptr, question, kTitle, MB_YESNO | MB_DEFBUTTON2 | MB_ICONQUESTION) !=
            IDYES)
            return false;
    }
    return GetTempFileNameA(folder, "rsm", 0, temporary_) != 0 ||
           Fail("%s に書きこめません。", folder);
}

// Disk `number` is in the drive, or its piece lies beside the first one. False when the
// user gave up, or when a folder lacks the piece.
bool Joiner::NextDisk(int number) {
    if (CheckDisk(number)) return true;
    if (!removable_) return false;
    char request[1400];
    snprintf(request, sizeof request, "%d 枚目のフロッピーを入れて、OK を押してください。", number);
    for (;;) {
        if (MessageBoxA(nullptr, request, kTitle, MB_OKCANCEL | MB_ICONINFORMATION) != IDOK)
            return Fail("%s", "");
        if (CheckDisk(number)) return true;
        // Another disk: what is wrong with it, and the request again.
        snprintf(request, sizeof request,
                 "%s\r\n\r\n%d 枚目のフロッピーを入れて、OK を押してください。", problem_, number);
    }
}

// The disk describes this archive under this number and holds a piece with its time.
bool Joiner::CheckDisk(int number) {
    char description[MAX_PATH], piece[MAX_PATH];
    PathOf(description, "%d.ini", number);
    PathOf(piece, "%d", number);
    Description d;
    if (number > 1) {
        if (!ReadDescription(description, &d))
            return Fail("%d 枚目の説明ファイル %s がありません。", number, description);
        if (d.number != number || lstrcmpiA(d.name, first_.name) != 0)
            return Fail("%s は、%s の %d 枚目の説明ではありません。", description, first_.name,
                        number);
    }
    long long time = 0, size = 0;
    if (!FileTimeAndSize(piece, &time, &size))
        return Fail("%d 枚目の分割ファイル %s がありません。", number, piece);
    if (llabs(time - first_.update) > kTimeSlack)
        return Fail(
            "分割ファイル %s は、%s を分割したときのものではありません（更新日時が違います）。",
            piece, first_.name);
    if (joined_ + size > first_.total)
        return Fail("分割ファイル %s は、%s の残りより大きくなっています。", piece, first_.name);
    return true;
}

bool Joiner::Append(FILE* out, int number) {
    char piece[MAX_PATH];
    PathOf(piece, "%d", number);
    FILE* in = fopen(piece, "rb");
    if (in == nullptr) return Fail("%s が読めません。", piece);
    static char block[64 * 1024];
    size_t n;
    bool written = true;
    while ((n = fread(block, 1, sizeof block, in)) > 0) {
        if (fwrite(block, 1, n, out) != n) {
            written = false;
            break;
        }
        joined_ += static_cast<long long>(n);
    }
    bool read = ferror(in) == 0;
    fclose(in);
    if (!read) return Fail("%s が読めません。", piece);
    if (!written) return Fail("%s に書きこめません。", temporary_);
    return true;
}

// Pieces in order until "1.ini" counts its disks, or, when the split was not finished and
// it says 1, until the archive's size is reached.
bool Joiner::JoinPieces(FILE* out) {
    for (int number = 1;; number++) {
        bool counted = first_.disks > 1;
        if (counted && number > first_.disks) return true;
        if (!counted && number > 1 && joined_ >= first_.total) return true;
        if (number > 1 && !NextDisk(number)) return false;
        if (number == 1 && !CheckDisk(1)) return false;
        if (!Append(out, number)) return false;
    }
}

bool Joiner::CheckResult() {
    if (joined_ != first_.total)
        return Fail(
            "結合したファイルの大きさ（%lld バイト）が、元の大きさ（%lld バイト）と違います。",
            joined_, first_.total);
    long long time = 0, size = 0;
    if (!SetTime(temporary_, first_.update) || !FileTimeAndSize(temporary_, &time, &size) ||
        size != first_.total || llabs(time - first_.update) > kTimeSlack)
        return Fail("結合したファイルの更新日時が、元の日時になりません。");
    if (!MoveFileExA(temporary_, target_, MOVEFILE_REPLACE_EXISTING))
        return Fail("%s を置き換えられません。", target_);
    return true;
}

int Joiner::Run() {
    if (!ReadFirst()) {
        MessageBoxA(nullptr, problem_, kTitle, MB_OK | MB_ICONERROR);
        return 1;
    }
    if (!ChooseTarget()) {
        if (problem_[0] != '\0') MessageBoxA(nullptr, problem_, kTitle, MB_OK | MB_ICONERROR);
        return 1;
    }
    HCURSOR previous = SetCursor(LoadCursor(nullptr, IDC_WAIT));
    FILE* out = fopen(temporary_, "wb");
    bool joined = out != nullptr ? JoinPieces(out) : Fail("%s に書きこめません。", temporary_);
    if (out != nullptr && fclose(out) != 0 && joined)
        joined = Fail("%s に書きこめません。", temporary_);
    joined = joined && CheckResult();
    SetCursor(previous);
    if (!joined) {
        DeleteFileA(temporary_);
        // An empty problem is the user's cancel: nothing to say.
        if (problem_[0] != '\0') {
            char text[1400];
            snprintf(text, sizeof text, "%s\r\n\r\n結合は中止しました。", problem_);
            MessageBoxA(nullptr, text, kTitle, MB_OK | MB_ICONERROR);
        }
        return 1;
    }
    char done[MAX_PATH + 64];
    snprintf(done, sizeof done, "%s を結合しました。", target_);
    MessageBoxA(nullptr, done, kTitle, MB_OK | MB_ICONINFORMATION);
    return 0;
}

// ---- Start --------------------------------------------------------------------------------

// The argument folder without quotes, or "".
void ArgumentFolder(const char* arguments, char* out) {
    while (*arguments == ' ') arguments++;
    bool quoted = *arguments == '"';
    if (quoted) arguments++;
    snprintf(out, MAX_PATH, "%s", arguments);
    char* end = quoted ? strchr(out, '"') : nullptr;
    if (end != nullptr) *end = '\0';
    size_t n = strlen(out);
    while (n > 0 && out[n - 1] == ' ') out[--n] = '\0';
}

// A program read from a floppy cannot have its disk taken out while it runs: the copy in
// the temporary folder joins, from the folder of this one. False when no copy could start.
bool RunFromTemporaryCopy(const char* self, const char* folder) {
    char temp[MAX_PATH], copy[MAX_PATH];
    DWORD n = GetTempPathA(sizeof temp, temp);
    if (n == 0 || n >= sizeof temp) return false;
    snprintf(copy, sizeof copy, "%sresume.exe", temp);
    if (!CopyFileA(self, copy, FALSE)) {
        if (GetTempFileNameA(temp, "rsm", 0, copy) == 0 || !CopyFileA(self, copy, FALSE))
            return false;
    }
    char line[3 * MAX_PATH];
    snprintf(line, sizeof line, "\"%s\" \"%s\"", copy, folder);
    // Nor may the copy keep the disk as its current folder.
    char cwd[MAX_PATH];
    DWORD got = GetCurrentDirectoryA(sizeof cwd, cwd);
    const char* start_in = got > 0 && got < sizeof cwd && !IsRemovable(cwd) ? cwd : temp;
    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (!CreateProcessA(copy, line, nullptr, nullptr, FALSE, 0, nullptr, start_in, &si, &pi))
        return false;
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return true;
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR arguments, int) {
    char self[MAX_PATH], folder[MAX_PATH];
    DWORD n = GetModuleFileNameA(nullptr, self, sizeof self);
    if (n == 0 || n >= sizeof self) return 1;
    ArgumentFolder(arguments, folder);
    if (folder[0] == '\0') {
        FolderOf(self, folder);
        if (IsRemovable(self) && RunFromTemporaryCopy(self, folder)) return 0;
    }
    CoInitialize(nullptr);
    int result = Joiner(folder).Run();
    CoUninitialize();
    return result;
}
