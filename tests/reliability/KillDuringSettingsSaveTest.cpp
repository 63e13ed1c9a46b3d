// A process killed (SIGKILL) while it saves "soft.dat" leaves either the old or the new settings
// block in the file, never a short or mixed one.
//
// The saving process is this test program itself: started with QUORVIX_SAVE_LOOP_FOLDER set, it
// saves two different blocks in turn for ever (before main, so no test runs) and prints a line
// after each save, which lets the parent choose the save to interrupt.

#include "app/SettingsBlock.h"
#include "reliability/SaveTree.h"
#include "support/TempDir.h"

#include <QFile>
#include <QProcess>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>

namespace {

constexpr char kLoopVariable[] = "QUORVIX_SAVE_LOOP_FOLDER";
constexpr int kKills = 20;

// Two blocks that differ in every part of the file.
SettingsBlock Block(int which) {
    SettingsBlock block;
    for (int kind = 0; kind < kSourceKindSlots; ++kind) {
        block.downloadParams[kind] = {static_cast<uint16_t>(which * 100 + kind), 2000,
                                      static_cast<uint16_t>(1 + which), 30};
        block.saveRules[kind].filePrefix = QStringLiteral("前缀%1-%2").arg(which).arg(kind);
        block.saveRules[kind].albumSuffix = QStringLiteral("后缀%1").arg(which);
    }
    for (int i = 0; i < kHistoryEntries; ++i) {
        block.addressHistory[i] =
            QStringLiteral("http://tieba.baidu.com/photo/g?kw=%1-%2").arg(which).arg(i).repeated(8);
        block.savePathHistory[i] = QStringLiteral("/home/用户/图片/%1/%2").arg(which).arg(i);
    }
    return block;
}

[[noreturn]] void SaveForEver(const QString& folder) {
    const SettingsBlock blocks[] = {Block(0), Block(1)};
    for (unsigned n = 1;; ++n) {
        SaveSettings(blocks[n % 2], folder);
        std::printf("%u\n", n);
        std::fflush(stdout);
    }
}

[[maybe_unused]] const bool kSavingChild = [] {
    if (const char* folder = std::getenv(kLoopVariable)) {
        SaveForEver(QString::fromLocal8Bit(folder));
    }
    return false;
}();

unsigned Seed() {
    const QByteArray fixed = qgetenv("QUORVIX_RELIABILITY_SEED");
    return fixed.isEmpty() ? std::random_device()() : fixed.toUInt();
}

TEST(KillDuringSettingsSave, LeavesTheOldOrTheNewBlock) {
    TempDir folder;
    const QByteArray images[] = {EncodeSettings(Block(0)), EncodeSettings(Block(1))};
    ASSERT_NE(images[0], images[1]);
    ASSERT_TRUE(SaveSettings(Block(0), folder.path()));
    const unsigned seed = Seed();
    std::printf("kill points from seed %u (QUORVIX_RELIABILITY_SEED)\n", seed);
    SCOPED_TRACE(testing::Message() << "seed " << seed);
    std::mt19937 random(seed);
    std::uniform_int_distribution<int> savesBeforeKill(0, 40);
    const QString program = QString::fromStdString(std::filesystem::read_symlink("/proc/self/exe"));

    for (int round = 0; round < kKills; ++round) {
        const int saves = savesBeforeKill(random);
        SCOPED_TRACE(testing::Message()
                     << "round " << round << ", killed after " << saves << " saves");
        RunOnOwnThread([&] {
            QProcess child;
            QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
            environment.insert(QString::fromLatin1(kLoopVariable), folder.path());
            child.setProcessEnvironment(environment);
            child.start(program, {});
            ASSERT_TRUE(child.waitForStarted());
            // Each line is one completed save; the kill falls somewhere in the next one.
            for (int done = 0; done < saves;) {
                if (child.canReadLine()) {
                    child.readLine();
                    ++done;
                } else {
                    ASSERT_TRUE(child.waitForReadyRead(30000)) << "the saving process stopped";
                }
            }
            child.kill();
            child.waitForFinished();
        });

        const QByteArray image = folder.read(QString::fromLatin1(kSettingsFileName));
        EXPECT_TRUE(image == images[0] || image == images[1])
            << "soft.dat holds " << image.size() << " bytes of neither block";
        SettingsBlock loaded;
        EXPECT_TRUE(LoadSettings(loaded, folder.path()));
        const QByteArray reread = EncodeSettings(loaded);
        EXPECT_TRUE(reread == images[0] || reread == images[1]);
    }
}

}  // namespace
