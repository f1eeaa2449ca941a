// Test programs start like the product: the big stack, the error history, the frame stack
// and the throwing error handler are in place before the first test runs.
#include <gtest/gtest.h>

#include "../../src/app/app.h"

int main(int argc, char** argv) {
    App_Startup(__DATE__, __TIME__);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
