#include "except3.h"

#include <cstdio>

static const char kUncaught[] = "キャッチできない例外が発生しました";
static const char kStackFull[] = "try 用スタック領域がいっぱいになりました。";

void Except_Init(Except_Stack* stack, Except_Frame* area, size_t area_size) {
    stack->error = Errors_Current();
    stack->thrown = false;
    stack->thrown_in_catch = false;
    stack->in_catch = false;
    stack->depth = 0;
    stack->deepest = 0;
    stack->capacity = static_cast<int>(area_size / sizeof(Except_Frame));
    stack->frames = area;
}

void Except_Try(Except_Stack* stack, const char* file, int line) {
    // A sixth open block would have no frame to land in; end cleanly instead of
    // writing past the frame area.
    if (stack->depth >= stack->capacity) Except_Fatal(Except_Code_Fatal, kStackFull, file, line);
    stack->frames[stack->depth].file = file;
    stack->frames[stack->depth].line = line;
    stack->frames[stack->depth].outer_thrown = stack->thrown;
    stack->frames[stack->depth].outer_thrown_in_catch = stack->thrown_in_catch;
    stack->frames[stack->depth].outer_in_catch = stack->in_catch;
    stack->depth++;
    if (stack->depth > stack->deepest) stack->deepest = stack->depth;
    stack->thrown = false;
    stack->thrown_in_catch = false;
    stack->in_catch = false;
}

bool Except_Catch(Except_Stack* stack) {
    if (stack->thrown_in_catch) return false;
    stack->in_catch = true;
    return true;
}

void Except_Throw(Except_Stack* stack, Errors_Record* record) {
    stack->error = record;
    if (stack->depth <= 0) Except_Fatal(Except_Code_Fatal, kUncaught, __FILE_NAME__, __LINE__);
    if (stack->in_catch) {
        stack->thrown_in_catch = true;
    } else {
        stack->thrown = true;
    }
    throw Except_Jump{};
}

static void RestoreOuter(Except_Stack* stack) {
    const Except_Frame& frame = stack->frames[stack->depth];
    stack->thrown = frame.outer_thrown;
    stack->thrown_in_catch = frame.outer_thrown_in_catch;
    stack->in_catch = frame.outer_in_catch;
}

void Except_End(Except_Stack* stack) {
    if (!stack->thrown) {
        if (stack->depth <= 0) Except_Fatal(Except_Code_Fatal, kUncaught, __FILE_NAME__, __LINE__);
        stack->depth--;
        RestoreOuter(stack);
        return;
    }
    bool caught = stack->in_catch && !stack->thrown_in_catch;
    stack->depth--;
    if (caught) {
        RestoreOuter(stack);
        Errors_Clear();
        return;
    }
    if (stack->depth <= 0) Except_Fatal(Except_Code_Fatal, kUncaught, __FILE_NAME__, __LINE__);
    // Passed on: the enclosing block receives it as if raised where it stands.
    RestoreOuter(stack);
    if (stack->in_catch) {
        stack->thrown_in_catch = true;
    } else {
        stack->thrown = true;
    }
    throw Except_Jump{};
}

void Except_Fatal(int code, const char* message, const char* file, int line) {
    Errors_Record* current = Errors_Current();
    // The user is shown the error that brought the process down, not only the fact that
    // nothing caught it: keep its message and line before the record is overwritten.
    char shown[Errors_TextSize];
    char composed[Errors_TextSize];
    snprintf(shown, sizeof shown, "%s", current->code != 0 ? current->message : message);
    snprintf(composed, sizeof composed, "%s", current->code != 0 ? current->text : message);

    Errors_SaveToHistory();
    current->serial = -1;
    current->code = code;
    snprintf(current->file, sizeof current->file, "%s", file ? file : "");
    current->line = line;
    snprintf(current->text, sizeof current->text, "%s", message);
    current->message = current->text;

    // The start-up handler returns 1 for this code without throwing, so nothing is left to
    // call before the process ends.
    Except_Main()->thrown = false;
    Errors_ReportFatal(shown, composed);
    Errors_Exit(file, line);
}

static Except_Frame g_frames[5];
static Except_Stack g_stack;

Except_Stack* Except_Main() {
    return &g_stack;
}

void Except_SetupMain() {
    Except_Init(&g_stack, g_frames, sizeof g_frames);
}

int Except_ThrowingHandler(int, int code, const char*) {
    if (code == Errors_Code_Exit || code == Except_Code_Fatal) return 1;
    Except_Throw(Except_Main(), Errors_Current());
}
