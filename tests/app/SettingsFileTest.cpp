// Loading, repairing and saving "soft.dat" in a settings folder.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <unistd.h>

#include <QDir>
#include <QFile>

#include "app/SettingsBlock.h"
#include "support/TempDir.h"

namespace {

// Offsets worked out by hand (see SettingsBlockTest.cpp).
int ThreadCountAt(int kind) {
    return kind * 8 + 4;
}
int TimeoutAt(int kind) {
    return kind * 8 + 6;
}

uint16_t Get16(const QByteArray& bytes, int offset) {
    return static_cast<uint16_t>(static_cast<uint8_t>(bytes.at(offset)) |
                                 static_cast<uint8_t>(bytes.at(offset + 1)) << 8);
}

void Put16(QByteArray& image, int offset, uint16_t value) {
    image[offset] = static_cast<char>(value & 0xFF);
    image[offset + 1] = static_cast<char>(value >> 8);
}

// Every kind with valid parameters: what a repaired file holds.
QByteArray ValidImage() {
    QByteArray image(19808, '\0');
    for (int kind = 0; kind < 24; ++kind) {
        Put16(image, ThreadCountAt(kind), 5);
        Put16(image, TimeoutAt(kind), 30);
    }
    return image;
}

// What the folder holds besides the hidden lock of the settings file.
QStringList FolderEntries(const TempDir& dir) {
    QStringList entries =
        QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
    entries.removeOne(QStringLiteral(".soft.dat.lock"));
    return entries;
}

TEST(SettingsFile, FirstRunWritesDefaults) {
    TempDir dir;
    SettingsBlock block;
    block.addressHistory[0] = QStringLiteral("left over");
    EXPECT_FALSE(LoadSettings(block, dir.path()));

    QByteArray expected = ValidImage();
    expected[4060] = '\x82';  // kind 7 optionFlags: 192 + 7 * 484 + 480
    expected[4546] = 1;       // kind 8 fileNameMode: 192 + 8 * 484 + 482
    expected[5996] = 2;       // kind 11 optionFlags: 192 + 11 * 484 + 480
    expected[8416] = 2;       // kind 16 optionFlags: 192 + 16 * 484 + 480
    const QByteArray written = dir.read(QStringLiteral("soft.dat"));
    ASSERT_EQ(written.size(), 19808);
    EXPECT_EQ(written, expected);
    EXPECT_EQ(FolderEntries(dir), QStringList{QStringLiteral("soft.dat")});

    EXPECT_EQ(block.saveRules[7].optionFlags, OPT_FIX_ORDER | OPT_LARGE_IMAGES);
    EXPECT_EQ(block.saveRules[8].fileNameMode, FILE_NAME_SEQUENCE);
    EXPECT_EQ(block.addressHistory[0], QString());

    // The next start reads the file and writes the same bytes back.
    SettingsBlock again;
    EXPECT_TRUE(LoadSettings(again, dir.path()));
    EXPECT_EQ(dir.read(QStringLiteral("soft.dat")), expected);
}

TEST(SettingsFile, OutOfRangeParametersAreRepaired) {
    struct Case {
        int kind;
        uint16_t threadCount, timeoutSec;
        uint16_t wantThreadCount, wantTimeoutSec;
    };
    const Case cases[] = {
        {0, 16, 10, 5, 10}, {1, 0, 9, 5, 30},      {2, 15, 65535, 15, 65535},
        {3, 1, 0, 1, 30},   {4, 65535, 11, 5, 11}, {23, 0, 0, 5, 30},
    };
    TempDir dir;
    QByteArray image = ValidImage();
    for (const Case& c : cases) {
        Put16(image, ThreadCountAt(c.kind), c.threadCount);
        Put16(image, TimeoutAt(c.kind), c.timeoutSec);
    }
    Put16(image, 0, 7);    // kind 0 minSizeKb
    Put16(image, 2, 300);  // kind 0 maxSizeKb
    dir.write(QStringLiteral("soft.dat"), image);

    SettingsBlock block;
    EXPECT_TRUE(LoadSettings(block, dir.path()));
    const QByteArray written = dir.read(QStringLiteral("soft.dat"));
    ASSERT_EQ(written.size(), 19808);
    for (const Case& c : cases) {
        EXPECT_EQ(block.downloadParams[c.kind].threadCount, c.wantThreadCount) << c.kind;
        EXPECT_EQ(block.downloadParams[c.kind].timeoutSec, c.wantTimeoutSec) << c.kind;
        EXPECT_EQ(Get16(written, ThreadCountAt(c.kind)), c.wantThreadCount) << c.kind;
        EXPECT_EQ(Get16(written, TimeoutAt(c.kind)), c.wantTimeoutSec) << c.kind;
    }
    EXPECT_EQ(block.downloadParams[0].minSizeKb, 7);
    EXPECT_EQ(block.downloadParams[0].maxSizeKb, 300);
    EXPECT_EQ(written.left(4), image.left(4));
    // Not a first run: no first-run defaults.
    EXPECT_EQ(block.saveRules[7].optionFlags, 0);
    EXPECT_EQ(written.mid(192), image.mid(192));
}

TEST(SettingsFile, ShortFileIsReadAsFarAsItGoes) {
    TempDir dir;
    QByteArray image(100, '\0');
    for (int kind = 0; kind < 12; ++kind) {
        Put16(image, ThreadCountAt(kind), static_cast<uint16_t>(kind + 1));
        Put16(image, TimeoutAt(kind), static_cast<uint16_t>(10 + kind));
    }
    Put16(image, 96, 3);  // kind 12 minSizeKb
    Put16(image, 98, 4);  // kind 12 maxSizeKb
    dir.write(QStringLiteral("soft.dat"), image);

    SettingsBlock block;
    EXPECT_TRUE(LoadSettings(block, dir.path()));
    EXPECT_EQ(block.downloadParams[11].threadCount, 12);
    EXPECT_EQ(block.downloadParams[11].timeoutSec, 21);
    EXPECT_EQ(block.downloadParams[12].minSizeKb, 3);
    EXPECT_EQ(block.downloadParams[12].maxSizeKb, 4);
    EXPECT_EQ(block.downloadParams[12].threadCount, 5);
    EXPECT_EQ(block.downloadParams[12].timeoutSec, 30);
    EXPECT_EQ(block.saveRules[7].optionFlags, 0);
    EXPECT_EQ(block.saveRules[8].fileNameMode, 0);

    const QByteArray written = dir.read(QStringLiteral("soft.dat"));
    ASSERT_EQ(written.size(), 19808);
    EXPECT_EQ(written.left(100), image);
    EXPECT_EQ(written.mid(192), QByteArray(19808 - 192, '\0'));
}

TEST(SettingsFile, LongerFileIsReadUpToTheBlockAndRewrittenAtItsSize) {
    TempDir dir;
    QByteArray image = ValidImage();
    for (int unit = 0; unit < 400; ++unit) {
        Put16(image, 19008 + unit * 2, 'Z');  // the last save-path entry, without terminator
    }
    dir.write(QStringLiteral("soft.dat"), image + QByteArray(1000, 'Y'));

    SettingsBlock block;
    EXPECT_TRUE(LoadSettings(block, dir.path()));
    EXPECT_EQ(block.savePathHistory[4], QString(400, QLatin1Char('Z')));
    QByteArray expected = image;
    Put16(expected, 19806, 0);  // written back with its terminator
    EXPECT_EQ(dir.read(QStringLiteral("soft.dat")), expected);
}

TEST(SettingsFile, UnreadableFileCountsAsFirstRun) {
    TempDir dir;
    ASSERT_TRUE(QDir().mkpath(dir.file(QStringLiteral("soft.dat"))));  // a folder, not a file
    SettingsBlock block;
    EXPECT_FALSE(LoadSettings(block, dir.path()));
    EXPECT_EQ(block.downloadParams[3].threadCount, 5);
    EXPECT_EQ(block.saveRules[7].optionFlags, 0x82);
    EXPECT_FALSE(SaveSettings(block, dir.path()));
}

TEST(SettingsFile, SaveReplacesTheWholeFile) {
    TempDir dir;
    dir.write(QStringLiteral("soft.dat"), QByteArray(30000, '\x55'));
    SettingsBlock block;
    block.savePathHistory[1] = QStringLiteral("/srv/相册/");
    ASSERT_TRUE(SaveSettings(block, dir.path()));
    EXPECT_EQ(dir.read(QStringLiteral("soft.dat")), EncodeSettings(block));
    EXPECT_EQ(FolderEntries(dir), QStringList{QStringLiteral("soft.dat")});
}

TEST(SettingsFile, SaveIntoMissingFolderFails) {
    TempDir dir;
    EXPECT_FALSE(SaveSettings(SettingsBlock{}, dir.file(QStringLiteral("missing/"))));
    EXPECT_FALSE(QFile::exists(dir.file(QStringLiteral("missing"))));
}

// Keeps the previous file when the folder refuses new files.
TEST(SettingsFile, SaveIntoReadOnlyFolderFailsAndKeepsOldFile) {
    TempDir dir;
    SettingsBlock old;
    old.addressHistory[0] = QStringLiteral("old");
    ASSERT_TRUE(SaveSettings(old, dir.path()));
    ASSERT_TRUE(QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::ExeOwner));
    const bool canStillWrite = QFile(dir.file(QStringLiteral("probe"))).open(QIODevice::WriteOnly);
    if (canStillWrite) {
        QFile::remove(dir.file(QStringLiteral("probe")));
    }

    SettingsBlock changed = old;
    changed.addressHistory[0] = QStringLiteral("new");
    const bool saved = canStillWrite || SaveSettings(changed, dir.path());
    QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    if (canStillWrite) {
        GTEST_SKIP() << "folder permissions do not bind this user (the next test covers it)";
    }
    EXPECT_FALSE(saved);
    EXPECT_EQ(dir.read(QStringLiteral("soft.dat")), EncodeSettings(old));
}

// A write that fails part-way (here: the file size limit) leaves the previous file as it was
// and no temporary file behind.
TEST(SettingsFile, FailedWriteKeepsOldFile) {
    TempDir dir;
    SettingsBlock old;
    old.savePathHistory[0] = QStringLiteral("/old/");
    ASSERT_TRUE(SaveSettings(old, dir.path()));

    struct rlimit saved {};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    struct rlimit small = saved;
    small.rlim_cur = 4096;
    const auto previousHandler = signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);

    SettingsBlock changed = old;
    changed.savePathHistory[0] = QStringLiteral("/new/");
    const bool ok = SaveSettings(changed, dir.path());

    setrlimit(RLIMIT_FSIZE, &saved);
    signal(SIGXFSZ, previousHandler);
    EXPECT_FALSE(ok);
    EXPECT_EQ(dir.read(QStringLiteral("soft.dat")), EncodeSettings(old));
    EXPECT_EQ(FolderEntries(dir), QStringList{QStringLiteral("soft.dat")});
}

}  // namespace
