#pragma once
// The one way a module reports a failure: Errors_Raise records the error in the current
// error record and hands it to the handler installed at start-up, which throws it to the
// innermost try block (except3.h). Also owns the error box, the message transcript, the
// errno texts and the error log errlog4.txt.
#include <cstdarg>
#include <cstddef>

struct ArrX_Able;

// Error ids. A raise passes the code together with its spelled name (ERRORS_RAISE does it).
enum Errors_Id {
    Errors_Unofficial = 102,
    Errors_Err_Errno = 112,
    BigStack_Full = 281,
    FileX_Err_EOF = 361,
    FileX_Err_CannotWriteOpen = 362,
    FileX_Err_CannotReadOpen = 363,
    FileX_Err_NotFindCopySrc = 364,
    FileX_Err_CannotWrite = 365,
    FileX_Err_CannotRead = 366,
    FileX_Err_AccessDenied = 367,
    IniFile_NotFoundSection = 591,
    IniFile_Err_BadFormat = 593,
    IniFile_Err_FewAttr = 595,
    IniFile_Err_BadAttr = 596,
    StdPlus_Err_MallocFailure = 709,
    Zent_Err_NotThisAppFile = 811,
    Zent_Err_FutureVersion = 812,
    ArrX_Err_Full = 901,
    WinX_Err_API_Error = 991,
    WinX_Err_NoRegKey = 992,
    WinX_Err_NoRegData = 994,
    WinX_Err_DifferentType = 995,
    WinX_Err_TooLongPath = 996,
    WinX_Err_CannotAddNest = 997,
    WinX_Err_AccessDenied = 998,
    StrX_Err_NoMoreParentDir = 3182,
    StrX_Err_TooLongPath = 3183,
    Zent_Err_CannotAddFType = 3630,
    Zent_Err_CannotRemoveFType = 3631,
    Zent_Err_NoMatchFileType = 3632,
    Zent_Err_FailToExecCmd = 3633,
    Zent_Err_NotFoundDLL = 3634,
    Zent_Err_BrokenFileOrOldDLL = 3635,
    Zent_Err_NotFolderWhenCompressing = 3636,
    Zent_Err_NotFoundArcFile = 3637,
    Zent_Err_UnsafeArchive = 3638,
    Zent_Err_InfoZipMiss = 3639,
    Zent_Err_InfoZipFirst = 3640,
    Zent_Err_InfoZipUnknown = 3660,
    Zent_Err_UserCancel = 3800,
    NestFind_Err_OverNest = 9991,
    NestFind_Err_OverBuf = 9992,
};

// Codes the start-up handler never throws: a raise with one of them ends the process.
enum { Errors_Code_Exit = 109, Except_Code_Fatal = 5283 };

enum { Errors_TextSize = 1025, Errors_FileSize = 256, Errors_TranscriptSize = 1912 };

struct Errors_Record {
    char in_use;  // history slots only: 0 free, 1 taken
    int serial;   // number of the raise in the process; 0 cleared; -1 fatal
    int code;     // 0: no error pending
    // The composed line may be up to 1,024 characters; the field holds it whole so that a
    // long message naming a path is never cut short a second time.
    char text[Errors_TextSize];
    char* message;  // the message proper, just after the header in text
    char file[Errors_FileSize];
    int line;
};

typedef int (*Errors_Handler)(int serial, int code, const char* text);

void Errors_Raise(const char* file, int line, int code, const char* name, const char* format, ...)
    __attribute__((format(gnu_printf, 5, 6)));
#define ERRORS_RAISE(id, ...) Errors_Raise(__FILE_NAME__, __LINE__, id, #id, __VA_ARGS__)

void Errors_RaiseErrno();
void Errors_Clear();
Errors_Record* Errors_Current();
const char* Errors_Message(const char* format, ...) __attribute__((format(gnu_printf, 1, 2)));
const char* Errors_Log(const char* format, ...) __attribute__((format(gnu_printf, 1, 2)));
[[noreturn]] void Errors_Exit(const char* file, int line);

// Start-up settings.
void Errors_SetHandler(Errors_Handler handler);
void Errors_SetAppName(const char* name);
void Errors_SetVersion(const char* version);
void Errors_SetHistory(ArrX_Able* history);
void Errors_SetupMainHistory();  // five slots in static memory
ArrX_Able* Errors_History();
// Copies an uncleared current error into the first free history slot.
void Errors_SaveToHistory();

// The errno text table; unknown values give "errno = %d".
const char* Errors_ErrnoText(int err);

// The transcript area (1,912 bytes) and its current page number.
const char* Errors_Transcript();
int Errors_TranscriptPage();

// Shown once when an error ends the process: the message proper in a box titled
// "エラーメッセージ" and the composed line appended to errlog4.txt.
void Errors_ReportFatal(const char* message, const char* composed);
