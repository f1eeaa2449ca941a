#pragma once
// Runs code inside a try block and hands back what its catch clause saw, so a test can
// check the error a call raises without the error leaving the test program.
#include <string>

#include "../../src/lib/except3.h"

namespace testing_support {

struct Caught {
    int code = 0;  // 0 when nothing was raised
    int serial = 0;
    std::string text;
    std::string message;
};

template <class Body>
Caught CatchRaise(Body&& body) {
    Caught caught;
    Except_TryCatch(__FILE__, __LINE__, body, [&] {
        Errors_Record* e = Except_Error();
        caught.code = e->code;
        caught.serial = e->serial;
        caught.text = e->text;
        caught.message = e->message;
    });
    return caught;
}

}  // namespace testing_support
