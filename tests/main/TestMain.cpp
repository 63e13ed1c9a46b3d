// The main of the test programs: the network thread is owned and stopped like in the programs
// themselves, so that nothing runs on it while the process exits; the per-user data folder (and
// so the programs the tests start) is a temporary one.

#include "net/NetworkThread.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

int main(int argc, char** argv) {
    const QTemporaryDir data;
    qputenv("XDG_DATA_HOME", data.path().toUtf8());
    ::testing::InitGoogleTest(&argc, argv);
    NetworkScope network;
    return RUN_ALL_TESTS();
}
