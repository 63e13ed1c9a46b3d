// quorvix-cli interrupted by SIGINT or SIGTERM in the middle of a download: the job stops as the
// stop command stops it, the summary is printed, a picture cut off keeps its partial file, and
// the next run asks only for its missing bytes.

#include "fakeservice/FakeService.h"
#include "fakeservice/PictureHost.h"
#include "support/CliRun.h"
#include "support/TempDir.h"

#include <QDir>
#include <QFileInfo>

#include <gtest/gtest.h>

#include <csignal>

namespace {

constexpr qsizetype kPictureBytes = 512 * 1024;
const QString kForum = QStringLiteral("http://tieba.baidu.com/photo/g?kw=gen-1x3");
const QString kStalled = QStringLiteral("gen-1x3_1_000001");

class Interrupted : public ::testing::Test {
protected:
    Interrupted() {
        FakeOptions options;
        options.pictureBytes = kPictureBytes;
        service.setOptions(options);
        // The second picture sends half its body, then nothing.
        service.overrideNext(
            {FakePathKind::ForumPicture, kStalled.toUtf8(), 0, 1, {}, FakeFault::StallMidBody});
    }
    QStringList Arguments() const {
        return {QStringLiteral("download"),       kForum,
                QStringLiteral("--save"),         save.path(),
                QStringLiteral("--settings-dir"), settings.path(),
                QStringLiteral("--name-mode"),    QStringLiteral("url"),
                QStringLiteral("--retries"),      QStringLiteral("0")};
    }
    QString Album(const QString& name) const {
        return save.file(QStringLiteral("gen-1x3/相册 1/") + name);
    }
    // The other two pictures are saved; the stalled one's partial holds bytes and its validator
    // is kept.
    bool StalledPartialWritten() const {
        return QFileInfo::exists(Album(QStringLiteral("gen-1x3_1_000000.jpg"))) &&
               QFileInfo::exists(Album(QStringLiteral("gen-1x3_1_000002.jpg"))) &&
               QFileInfo(Album(kStalled + QStringLiteral(".jpg.quorvix-part"))).size() > 0 &&
               QFileInfo::exists(Album(kStalled + QStringLiteral(".jpg.quorvix-validator")));
    }

    TempDir settings;
    TempDir save;
    FakeService service;
};

TEST_F(Interrupted, SigintStopsKeepsThePartialAndTheRerunResumesIt) {
    const CliResult stopped = RunCliInterrupted(
        Arguments(), service.proxyUrl(), {[this] { return StalledPartialWritten(); }, SIGINT, 1});
    EXPECT_EQ(stopped.exitCode, 130) << stopped.err.constData();
    EXPECT_TRUE(stopped.err.contains("Stopped, partial pictures kept for resuming: 1"))
        << stopped.err.constData();
    EXPECT_FALSE(QFileInfo::exists(Album(kStalled + QStringLiteral(".jpg"))));
    EXPECT_FALSE(QFileInfo::exists(Album(QStringLiteral("pic.kzt"))));
    const qint64 kept = QFileInfo(Album(kStalled + QStringLiteral(".jpg.quorvix-part"))).size();
    EXPECT_GT(kept, 0);

    service.server().clearRequests();
    const CliResult rerun = RunCli(Arguments(), service.proxyUrl());
    EXPECT_EQ(rerun.exitCode, 0) << rerun.err.constData();
    QFile picture(Album(kStalled + QStringLiteral(".jpg")));
    ASSERT_TRUE(picture.open(QIODevice::ReadOnly));
    EXPECT_TRUE(picture.readAll() == PictureBytes(kStalled, PictureVariant::Jpeg, kPictureBytes));
    QByteArray range;
    for (const HttpRequest& request : service.server().requests()) {
        if (request.path.contains(kStalled.toUtf8())) {
            range = request.header("Range");
        }
    }
    EXPECT_EQ(range, "bytes=" + QByteArray::number(kept) + "-");
    const QStringList left = QDir(Album(QString())).entryList(QDir::Files);
    EXPECT_EQ(left.filter(QStringLiteral(".quorvix-")), QStringList());
    EXPECT_TRUE(left.contains(QStringLiteral("pic.kzt")));
}

TEST_F(Interrupted, SigtermGives143WithTheSummary) {
    const CliResult stopped = RunCliInterrupted(
        Arguments(), service.proxyUrl(), {[this] { return StalledPartialWritten(); }, SIGTERM, 1});
    EXPECT_EQ(stopped.exitCode, 143) << stopped.err.constData();
    EXPECT_TRUE(stopped.err.contains("Albums: 1, pictures saved: 2, failed: 0"))
        << stopped.err.constData();
    // The two whole pictures are in place; nothing else carries a picture's name.
    EXPECT_TRUE(QFileInfo::exists(Album(QStringLiteral("gen-1x3_1_000000.jpg"))));
    EXPECT_TRUE(QFileInfo::exists(Album(QStringLiteral("gen-1x3_1_000002.jpg"))));
    EXPECT_FALSE(QFileInfo::exists(Album(kStalled + QStringLiteral(".jpg"))));
}

}  // namespace
