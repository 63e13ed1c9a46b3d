// quorvix-cli killed (SIGKILL) at random points of a download: no file under a final picture
// name is shorter than (or different from) the picture served, no temporary file takes a
// picture's name, and the same download run again with --skip-downloaded completes the album.
//
// The service kills the program itself at the chosen point: after a random part of a random
// picture's body has been sent (so transfers are in flight), or as a random request arrives.
// The seed of the kill points is printed; QUORVIX_RELIABILITY_SEED repeats a run.

#include "fakeservice/FakeAnswer.h"
#include "fakeservice/FakeService.h"
#include "fakeservice/PictureHost.h"
#include "reliability/SaveTree.h"
#include "support/CliRun.h"
#include "support/TempDir.h"

#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QThread>

#include <gtest/gtest.h>

#include <csignal>
#include <mutex>
#include <random>

namespace {

constexpr int kPictures = 16;
constexpr qsizetype kPictureBytes = 1024 * 1024;
constexpr int kKills = 10;
const QString kForumName = QStringLiteral("gen-1x%1").arg(kPictures);

unsigned Seed() {
    const QByteArray fixed = qgetenv("QUORVIX_RELIABILITY_SEED");
    return fixed.isEmpty() ? std::random_device()() : fixed.toUInt();
}

FakeOptions Options() {
    FakeOptions options;
    options.pictureBytes = kPictureBytes;
    options.gzip = false;
    return options;
}

// Where the next run dies: at the arrival of request `request` (counting every request of the
// run), or, when picture is above 0, once `bodyPart` of that picture's body has been sent.
struct KillPoint {
    int request = 0;
    int picture = 0;
    double bodyPart = 0;
};

class KillDuringDownload : public ::testing::Test {
protected:
    KillDuringDownload() {
        service.server().setHandler([this](const HttpRequest& request, HttpExchange& exchange) {
            Serve(request, exchange);
        });
    }

    // The fake service's answer, with the kill at the chosen point.
    void Serve(const HttpRequest& request, HttpExchange& exchange) {
        FakeRequest fake;
        fake.method = request.method;
        fake.host = request.host;
        fake.target = request.path;
        fake.headers = request.headers;
        const FakeReply reply = Answer(fake, Options());
        const KillPoint point = Point();
        const int requests = ++requests_;
        const int pictures = reply.kind == FakePathKind::ForumPicture ? ++pictures_ : 0;
        if (point.picture > 0 && pictures == point.picture) {
            const auto sent = static_cast<qsizetype>(reply.body.size() * point.bodyPart);
            QByteArray head =
                "HTTP/1.1 200 OK\r\nContent-Length: " + QByteArray::number(reply.body.size()) +
                "\r\n\r\n";
            exchange.sendRaw(head + reply.body.left(sent));
            WaitUntilWritten(request.path, sent);
            Kill();
            exchange.close();
            return;
        }
        if (point.picture == 0 && requests == point.request) {
            Kill();
        }
        exchange.respond(reply.status, reply.body, reply.headers);
    }

    // Lets the program write what it received of the picture to its temporary file (most of
    // it: the file's own buffer may hold back the rest), so the kill falls into the transfer.
    void WaitUntilWritten(const QByteArray& path, qsizetype sent) {
        const QString name = QString::fromUtf8(path.mid(path.lastIndexOf('/') + 1));
        const QString temporary =
            save.path() + kForumName + QStringLiteral("/相册 1/") + name + ".quorvix-part";
        const qint64 enough = std::max<qint64>(sent - 256 * 1024, 1);
        QElapsedTimer waited;
        waited.start();
        while (QFileInfo(temporary).size() < enough && waited.elapsed() < 5000) {
            QThread::msleep(1);
        }
    }

    void Kill() {
        if (const qint64 pid = pid_.load(); pid > 0) {
            ::kill(static_cast<pid_t>(pid), SIGKILL);
        }
    }

    KillPoint Point() {
        std::lock_guard lock(mutex_);
        return point_;
    }
    void SetPoint(const KillPoint& point) {
        std::lock_guard lock(mutex_);
        point_ = point;
    }

    // One run of the program, killed at the point unless it ends before.
    void RunUntilKilled(const KillPoint& point) {
        SetPoint(point);
        requests_ = 0;
        pictures_ = 0;
        RunOnOwnThread([this] {
            QProcess cli;
            StartCli(cli, Arguments(), service.proxyUrl());
            ASSERT_TRUE(cli.waitForStarted());
            pid_ = cli.processId();
            EXPECT_TRUE(cli.waitForFinished(60000));
            pid_ = 0;
        });
    }

    QStringList Arguments() const {
        return {QStringLiteral("download"),
                QStringLiteral("http://tieba.baidu.com/photo/g?kw=") + kForumName,
                QStringLiteral("--save"),
                save.path(),
                QStringLiteral("--settings-dir"),
                settings.path(),
                QStringLiteral("--name-mode"),
                QStringLiteral("url"),
                QStringLiteral("--threads"),
                QStringLiteral("4"),
                QStringLiteral("--skip-downloaded")};
    }

    // Every file under a picture's name holds exactly the picture served; returns how many.
    int CheckFinalNames() {
        int pictures = 0;
        const SaveTree tree = ReadSaveTree(save.path());
        EXPECT_EQ(tree.problems, QStringList());
        for (const QString& file : PictureFiles(tree)) {
            const QString name = file.mid(file.lastIndexOf(QLatin1Char('/')) + 1);
            EXPECT_TRUE(name.endsWith(QLatin1String(".jpg"))) << file.toStdString();
            QFile picture(save.file(file));
            EXPECT_TRUE(picture.open(QIODevice::ReadOnly)) << file.toStdString();
            const QByteArray bytes = picture.readAll();
            EXPECT_EQ(bytes.size(), kPictureBytes) << file.toStdString();
            EXPECT_TRUE(bytes == PictureBytes(name.chopped(4), PictureVariant::Jpeg, kPictureBytes))
                << file.toStdString();
            ++pictures;
        }
        return pictures;
    }

    TempDir settings;
    TempDir save;
    FakeService service;
    std::mutex mutex_;  // guards point_, set before a run and read by the service's threads
    KillPoint point_;
    std::atomic<int> requests_{0};
    std::atomic<int> pictures_{0};
    std::atomic<qint64> pid_{0};
};

TEST_F(KillDuringDownload, LeavesNoShortPictureAndARerunCompletesTheAlbum) {
    const unsigned seed = Seed();
    std::printf("kill points from seed %u (QUORVIX_RELIABILITY_SEED)\n", seed);
    SCOPED_TRACE(testing::Message() << "seed " << seed);
    std::mt19937 random(seed);
    // A run asks for two wall pages and two picture-list pages before the pictures.
    std::uniform_int_distribution<int> request(1, 4 + kPictures);
    std::uniform_int_distribution<int> picture(1, kPictures);
    std::uniform_real_distribution<double> bodyPart(0, 1);

    int temporaryFilesSeen = 0;
    for (int round = 0; round < kKills; ++round) {
        KillPoint point;
        if (round % 3 == 2) {
            point.request = request(random);
        } else {
            point.picture = picture(random);
            point.bodyPart = bodyPart(random);
        }
        SCOPED_TRACE(testing::Message()
                     << "round " << round << ": request " << point.request << ", picture "
                     << point.picture << " at " << point.bodyPart);
        RunUntilKilled(point);
        const int pictures = CheckFinalNames();
        const int temporary = static_cast<int>(TemporaryFiles(ReadSaveTree(save.path())).size());
        temporaryFilesSeen += temporary;
        std::printf("round %d: %d pictures and %d temporary files left\n", round, pictures,
                    temporary);
    }
    EXPECT_GT(temporaryFilesSeen, 0) << "no kill fell into a transfer";

    SetPoint(KillPoint());
    const CliResult rerun = RunCli(Arguments(), service.proxyUrl());
    // 2: an earlier run had already completed and marked the album, so nothing new was listed.
    EXPECT_TRUE(rerun.exitCode == 0 || rerun.exitCode == 2) << rerun.err.constData();
    EXPECT_EQ(CheckFinalNames(), kPictures);
    const SaveTree tree = ReadSaveTree(save.path());
    EXPECT_EQ(TemporaryFiles(tree), QStringList());
    EXPECT_TRUE(QFile::exists(save.path() + kForumName + QStringLiteral("/相册 1/pic.kzt")));
}

}  // namespace
