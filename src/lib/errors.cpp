#include "errors.h"

#include <windows.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "arrx.h"
#include "handles.h"

static const char kBoxTitle[] = "エラーメッセージ";
static const char kLogName[] = "errlog4.txt";
static const char kDoubleError[] =
    "二重エラーです。catch または finally の中でエラーになっている可能性があります。";

static Errors_Record g_current;
static int g_serial_counter;
static int g_raise_count;  // raises since the last clear
static int g_pending_nest;
static const char* g_pending_mark;  // transcript position of the first pending raise
static Errors_Handler g_handler;
static const char* g_app_name;
static const char* g_version;
static ArrX_Able* g_history;
static bool g_log_untouched = true;

static char g_transcript[Errors_TranscriptSize];
static char* g_transcript_pos = g_transcript;
static int g_page = 1;

// Formats into a buffer of `size` bytes; a longer text keeps its first `keep` characters
// followed by "...".
static void FormatBounded(char* out, size_t size, size_t keep, const char* format, va_list args) {
    int n = vsnprintf(out, size, format, args);
    if (n >= 0 && static_cast<size_t>(n) > size - 1) strcpy(out + keep, "...");
}

static char* TranscriptAppend(const char* line) {
    size_t n = strlen(line);
    char* last = g_transcript + Errors_TranscriptSize - 1;
    if (g_transcript_pos >= last - n - 23) {
        memset(g_transcript_pos, 0, g_transcript + Errors_TranscriptSize - g_transcript_pos);
        g_page++;
        g_transcript_pos = g_transcript;
        g_transcript_pos += sprintf(g_transcript_pos, "--- Page %d\r\n", g_page);
    }
    char* copy = g_transcript_pos;
    memcpy(g_transcript_pos, line, n);
    g_transcript_pos += n;
    *g_transcript_pos++ = '\r';
    *g_transcript_pos++ = '\n';
    if (g_page == 1) {
        *g_transcript_pos = '\0';
    } else {
        // The marker is followed by the older text of the previous page, so its NUL goes.
        int k = sprintf(g_transcript_pos, "\r\n--- Page %d\r\n", g_page - 1);
        g_transcript_pos[k] = ' ';
    }
    return copy;
}

void Errors_SaveToHistory() {
    if (g_history == nullptr || g_current.code == 0) return;
    // With all five slots taken the earliest errors are kept: they are usually the cause.
    void* slot =
        ArrX_Able_FindOrNull(g_history, sizeof(Errors_Record), offsetof(Errors_Record, in_use));
    if (slot == nullptr) return;
    memcpy(slot, &g_current, sizeof g_current);
    static_cast<Errors_Record*>(slot)->in_use = 1;
}

static void FillCurrent(int serial, int code, const char* file, int line, const char* text,
                        size_t header_len) {
    g_current.serial = serial;
    g_current.code = code;
    snprintf(g_current.file, sizeof g_current.file, "%s", file ? file : "");
    g_current.line = line;
    snprintf(g_current.text, sizeof g_current.text, "%s", text);
    g_current.message = g_current.text + header_len;
}

// Each process starts a fresh log: the first append deletes the old one.
static bool AppendToLog(const char* text) {
    if (g_log_untouched) {
        remove(kLogName);
        g_log_untouched = false;
    }
    FILE* f = fopen(kLogName, "ab+");
    if (f == nullptr) return false;
    fputs(text, f);
    fputs("\r\n", f);
    fclose(f);
    return true;
}

void Errors_Raise(const char* file, int line, int code, const char* name, const char* format, ...) {
    if (g_pending_mark == nullptr) g_pending_mark = g_transcript_pos;
    g_pending_nest++;
    g_serial_counter++;

    char message[1025];
    va_list args;
    va_start(args, format);
    vsnprintf(message, sizeof message, format, args);
    va_end(args);

    char composed[2100];
    int header_len = snprintf(composed, sizeof composed, "%s(%d) : id = %d, code = %d, %s, ", file,
                              line, g_serial_counter, code, name);
    snprintf(composed + header_len, sizeof composed - header_len, "%s", message);
    if (strlen(composed) > 1024) strcpy(composed + 1019, "...");
    if (header_len > 1019) header_len = 1019;

    Errors_SaveToHistory();
    FillCurrent(g_serial_counter, code, file, line, composed, header_len);
    TranscriptAppend(composed);

    g_raise_count++;
    if (g_raise_count >= 2) {
        Errors_Message("%s", kDoubleError);
        char shown[Errors_TextSize + 200];
        snprintf(shown, sizeof shown, "%s\n\n%s", kDoubleError, g_current.message);
        Errors_ReportFatal(shown, g_current.text);
        Errors_Exit(__FILE_NAME__, __LINE__);
    }
    if (g_app_name) Errors_Message("Application = %s", g_app_name);
    if (g_version) Errors_Message("Version = %s", g_version);
    if (g_handler && g_handler(g_current.serial, code, g_current.text) == 1) {
        Errors_ReportFatal(g_current.message, g_current.text);
        Errors_Exit(__FILE_NAME__, __LINE__);
    }
    // Reached only before start-up installed the throwing handler.
    Errors_Clear();
}

void Errors_RaiseErrno() {
    Errors_Raise(__FILE_NAME__, __LINE__, Errors_Err_Errno, "Errors_Err_Errno", "%s",
                 Errors_ErrnoText(errno));
}

void Errors_Clear() {
    g_current.serial = 0;
    g_current.code = 0;
    g_current.file[0] = '\0';
    g_current.line = 0;
    g_current.text[0] = '\0';
    g_current.message = g_current.text;
    g_raise_count = 0;
    if (g_pending_nest > 0) g_pending_nest--;
    if (g_pending_nest == 0) g_pending_mark = nullptr;
}

Errors_Record* Errors_Current() {
    return &g_current;
}

static const char* MessageV(const char* format, va_list args) {
    char text[1025];
    FormatBounded(text, sizeof text, 1020, format, args);
    if (g_pending_mark == nullptr) {
        if (MessageBoxA(nullptr, text, kBoxTitle, MB_OKCANCEL | MB_ICONERROR) == IDCANCEL)
            Errors_Exit(__FILE_NAME__, __LINE__);
    }
    return TranscriptAppend(text);
}

const char* Errors_Message(const char* format, ...) {
    va_list args;
    va_start(args, format);
    const char* copy = MessageV(format, args);
    va_end(args);
    return copy;
}

const char* Errors_Log(const char* format, ...) {
    char text[1025];
    va_list args;
    va_start(args, format);
    FormatBounded(text, sizeof text, 1020, format, args);
    va_end(args);
    const char* copy = Errors_Message("%s", text);
    if (!AppendToLog(text))
        ERRORS_RAISE(FileX_Err_CannotWriteOpen, "%s に書き込めません", kLogName);
    return copy;
}

void Errors_ReportFatal(const char* message, const char* composed) {
    // Nothing unwinds on this path: the semaphores go back before the box waits for the user,
    // so that other instances of the program need not wait for it.
    Own_ReleaseTakenSemaphores();
    AppendToLog(composed);
    MessageBoxA(nullptr, message, kBoxTitle, MB_OK | MB_ICONERROR);
}

void Errors_Exit(const char*, int) {
    Own_ReleaseTakenSemaphores();
    fflush(nullptr);
    ExitProcess(14);
}

void Errors_SetHandler(Errors_Handler handler) {
    g_handler = handler;
}
void Errors_SetAppName(const char* name) {
    g_app_name = name;
}
void Errors_SetVersion(const char* version) {
    g_version = version;
}
void Errors_SetHistory(ArrX_Able* history) {
    g_history = history;
}
ArrX_Able* Errors_History() {
    return g_history;
}

void Errors_SetupMainHistory() {
    // Both live for the process: the error history keeps pointing at them.
    static Errors_Record slots[5];
    static ArrX_Able history;
    ArrX_Able_Init(&history, slots, sizeof slots, sizeof(Errors_Record),
                   offsetof(Errors_Record, in_use));
    Errors_SetHistory(&history);
}

const char* Errors_Transcript() {
    return g_transcript;
}
int Errors_TranscriptPage() {
    return g_page;
}

struct ErrnoText {
    int err;
    const char* text;
};

static const ErrnoText kErrnoTexts[] = {
    {2,
     "ファイルまたはディレクトリがない。指定されたファイルまたはディレクトリが存在しないか見つかり"
     "ません。"
     "このメッセージは、指定されたファイルが存在しないか、パス名の要素が既存のディレクトリを指定し"
     "ていない場合に発生します。"},
    {7, "errno = E2BIG : 引数リストが長すぎる"},
    {8,
     "実行ファイルのエラー。実行可能でないか無効な実行可能ファイル形式を持つファイルを実行しようと"
     "しました。"},
    {9, "不正なファイル番号。"},
    {10, "errno = ECHILD : 子プロセスが存在しない"},
    {11,
     "errno = EAGAIN : これ以上プロセスを生成できない。プロセス "
     "スロットが足りないか、メモリ不足か、"
     "または最大ネスト レベルに達したために、新しいプロセスの生成に失敗しました。"},
    {12, "メモリ不足。実行しようとした操作に十分なメモリがありません。"},
    {13, "errno = EACCES : アクセスが拒否された。"},
    {17, "ファイルが存在する。既に存在するファイルを作成しようとしています。"},
    {18, "デバイス間リンク。rename 関数を使って、別のデバイスにファイルを移動しようとしました。"},
    {22,
     "不正な引数。たとえば、ファイル ポインタの移動 (fseek の呼び出し) のとき、"
     "指定した元の位置がファイルの先頭より前にある場合です。"},
    {24,
     "開いているファイルが多すぎる。空いているファイル ハンドルがないので、ファイルを開けません。"},
    {28,
     "デバイスの空き領域不足。デバイスに書き込み用の領域が残っていません "
     "(たとえば、ディスクがいっぱいになった場合)。"},
    {33, "数値演算関数の引数が関数のドメイン外の値である。"},
    {34,
     "結果が大きすぎる。数値演算関数の引数が大きすぎて、結果の有効桁数の一部または全部が失われます"
     "。"
     "このエラーは、他の関数でも、引数が想定より大きい(たとえば、_getcwd の buffer "
     "引数が大きすぎる) "
     "場合に発生します。"},
    {36, "リソースのデッドロックが発生する可能性がある。"},
};

const char* Errors_ErrnoText(int err) {
    for (const ErrnoText& e : kErrnoTexts) {
        if (e.err == err) return e.text;
    }
    static char unknown[40];  // handed back to the caller
    snprintf(unknown, sizeof unknown, "errno = %d", err);
    return unknown;
}
