#include "tests/support/test_environment.h"

#include <gtest/gtest.h>

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    testsupport::PrepareTestEnvironment();
    return RUN_ALL_TESTS();
}
