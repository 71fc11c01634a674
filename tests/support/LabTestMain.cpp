// main of the lab test programs: GoogleTest with the program's lab as a global environment.
#include <gtest/gtest.h>

#include "tests/support/LabGTest.h"

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    // GoogleTest owns its environments.
    ::testing::AddGlobalTestEnvironment(tessaly::lab::MakeLabEnvironment().release());
    return RUN_ALL_TESTS();
}
