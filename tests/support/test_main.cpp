// The main of every GoogleTest program: the whole run gets a fresh temporary prefix, and
// USERPROFILE is cleared so that the profile folder lies in that prefix too.
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>

#include "temp_prefix.h"

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    unsetenv("USERPROFILE");
    unsetenv("WINPAL_ACP");
    auto prefix = std::make_unique<testsupport::TempPrefix>();
    int result = RUN_ALL_TESTS();
    prefix.reset();
    return result;
}
