#pragma once
// Try / catch / finally blocks for the procedural modules. A raise (errors.h) reaches the
// innermost open block through the start-up handler; the block's catch clause handles the
// error or passes it on, and its finally section runs on every path.
//
// The jump to a block is a C++ throw of Except_Jump, caught only by Except_Block, so the
// destructors of every frame in between run. Never catch Except_Jump anywhere else.
#include <type_traits>

#include "errors.h"

struct Except_Frame {
    const char* file;
    int line;
    // The enclosing block's state, put back when this block ends: a block opened inside a
    // finally section or a catch clause must not forget the error that is still pending.
    bool outer_thrown;
    bool outer_thrown_in_catch;
    bool outer_in_catch;
};

struct Except_Stack {
    Errors_Record* error;  // the error being thrown
    bool thrown;
    bool thrown_in_catch;
    bool in_catch;
    int depth;
    int deepest;  // the most blocks that were open at once: the headroom a workflow left
    int capacity;
    Except_Frame* frames;
};

struct Except_Jump {};

void Except_Init(Except_Stack* stack, Except_Frame* area, size_t area_size);
void Except_Try(Except_Stack* stack, const char* file, int line);
bool Except_Catch(Except_Stack* stack);
[[noreturn]] void Except_Throw(Except_Stack* stack, Errors_Record* record);
void Except_End(Except_Stack* stack);
[[noreturn]] void Except_Fatal(int code, const char* message, const char* file, int line);

// The process's frame stack of five frames, set up at start-up.
Except_Stack* Except_Main();
void Except_SetupMain();
// The start-up error handler: throws every code but 109 and 5283 to the innermost block.
int Except_ThrowingHandler(int serial, int code, const char* text);

// The error a catch clause is handling, and passing it on unchanged.
inline Errors_Record* Except_Error() {
    return Except_Main()->error;
}
[[noreturn]] inline void Except_Rethrow() {
    Except_Throw(Except_Main(), Except_Main()->error);
}

struct Except_NoCatch {};

// One try block: body, then on an error the catch clause (unless passing on), then the
// finally section, then the end of the block, which may pass the error on to the
// enclosing block. An error raised in the finally section while none is pending comes
// back to this same block, so its catch clause and finally section run once more.
template <class Body, class Catch, class Finally>
void Except_Block(const char* file, int line, Body&& body, Catch&& catch_clause,
                  Finally&& finally_section) {
    Except_Stack* stack = Except_Main();
    Except_Try(stack, file, line);
    bool jumped = false;
    for (;;) {
        try {
            if (!jumped) {
                body();
            } else if constexpr (!std::is_same_v<std::decay_t<Catch>, Except_NoCatch>) {
                if (Except_Catch(stack)) catch_clause();
            }
            finally_section();
            break;
        } catch (const Except_Jump&) {
            jumped = true;
        }
    }
    Except_End(stack);
}

template <class Body, class Catch>
void Except_TryCatch(const char* file, int line, Body&& body, Catch&& catch_clause) {
    Except_Block(file, line, body, catch_clause, [] {});
}

template <class Body, class Finally>
void Except_TryFinally(const char* file, int line, Body&& body, Finally&& finally_section) {
    Except_Block(file, line, body, Except_NoCatch{}, finally_section);
}
