#include "tests/support/pinned_environment.h"

#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    tavrel::test::PinEnvironment();
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
