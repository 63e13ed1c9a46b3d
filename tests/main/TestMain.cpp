// The main of the test programs: the network thread is owned and stopped like in the programs
// themselves, so that nothing runs on it while the process exits.

#include "net/NetworkThread.h"

#include <gtest/gtest.h>

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    NetworkScope network;
    return RUN_ALL_TESTS();
}
