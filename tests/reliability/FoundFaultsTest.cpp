// Faults that fuzzing and the hostile pages found, pinned down where they were: each case failed
// before its mend.

#include "app/AlbumList.h"
#include "download/AddPicture.h"
#include "fakeservice/FakeService.h"
#include "fakeservice/HostilePages.h"
#include "net/URLSource2.h"
#include "support/HarvestFixture.h"
#include "support/RecordingView.h"
#include "support/TempDir.h"
#include "text/StringCtrl.h"
#include "text/TextPrinters.h"

#include <QDir>

#include <gtest/gtest.h>

namespace {

// Removing characters and trimming could uncover dots again: ". .. ." was cleaned to "..", which
// names the parent folder (a forum name or a page's user name became the account folder "../").
TEST(FoundFaults, CleanedNamesNeverStartOrEndWithADot) {
    const std::pair<QString, QString> cases[] = {
        {". .. .", ""}, {". . .", ""},    {" . / . ", ""},           {". .hidden", "hidden"},
        {"a. .", "a"},  {". .x. .", "x"}, {". ./. .climb", "climb"},
    };
    for (const auto& [text, cleaned] : cases) {
        SCOPED_TRACE(text.toStdString());
        QString name = text;
        CleanFileName(name, 0, false);
        EXPECT_EQ(name, cleaned);
    }
}

// A picture whose body never ends was written to its file until the disk was full, and one that
// announced 2 GB was started. Both fail at the body cap now (the second before any byte), and
// no file is left behind.
TEST(FoundFaults, SavedBodiesStopAtTheCap) {
    FakeService service;
    HttpProxyGuard proxy(service);
    TempDir folder;
    for (const char* id : {"x_1_000000-endless", "x_1_000000-huge"}) {
        SCOPED_TRACE(id);
        UrlRequest request(
            QStringLiteral("http://imgsrc.baidu.com/forum/pic/item/%1.jpg").arg(QLatin1String(id)),
            folder.file(QStringLiteral("picture.jpg")));
        request.failOnHttpError = true;
        request.retryDelaySec = 0;
        UrlResponse response;
        EXPECT_FALSE(FetchUrl(request, response, FETCH_CACHE_WRITE | FETCH_NO_RELOAD));
        EXPECT_EQ(response.error, QStringLiteral("body over size limit"));
        EXPECT_EQ(QDir(folder.path()).entryList(QDir::Files | QDir::Hidden), QStringList());
    }
}

// A long forum name became an account folder the file system refuses (over 255 bytes), so the
// download job gave up with a message; it is cut to fit now.
class AccountFolder : public HarvestFixture {};

TEST_F(AccountFolder, FitsAFileNameWhateverTheForumName) {
    const QString addresses[] = {
        QStringLiteral("http://tieba.baidu.com/photo/g?kw=hostile") +
            QStringLiteral("%E9%95%BF").repeated(300),
        QStringLiteral("http://tieba.baidu.com/photo/g?kw=") + QString(400, QLatin1Char('x')) +
            QStringLiteral("hostile"),
    };
    for (const QString& address : addresses) {
        SCOPED_TRACE(address.left(60).toStdString());
        List(address);
        ASSERT_EQ(harvest->albums.size(), HostileAlbumCount());
        const QString folder = harvest->AccountFolder();
        EXPECT_TRUE(folder.startsWith(QStringLiteral("hostile")) ||
                    folder.startsWith(QLatin1Char('x')));
        EXPECT_TRUE(folder.endsWith(QLatin1Char('/')));
        EXPECT_LE(folder.chopped(1).toUtf8().size(), 255);
        EXPECT_GE(folder.chopped(1).toUtf8().size(), 253);  // cut, not dropped
    }
}

// Album names that differ only in what cleaning and cutting remove (a long name and the same name
// numbered by the album list; lone surrogate halves; leading dots) were given one folder, where
// the second album's pictures overwrote the first's. Within a job each album has its own folder
// now; without album names in folders, all albums still share the job folder on purpose.
TEST(FoundFaults, AlbumsOfOneJobNeverShareAFolder) {
    const QString tu = QStringLiteral("图");
    const std::pair<QString, QString> names[] = {
        {tu.repeated(900), tu.repeated(900)},  // listed as the name and "name (1)"
        {QStringLiteral("a") + QChar(0xD800), QStringLiteral("a") + QChar(0xDBFF)},
        {QStringLiteral("Sea &amp;amp; sky"), QStringLiteral("Sea &amp; sky")},
    };
    for (const auto& [first, second] : names) {
        SCOPED_TRACE(second.left(20).toStdString());
        TempDir job;
        AlbumList albums;
        ST_PERLISTRECORD record;
        record.strKey = QStringLiteral("key");
        record.strName = first;
        albums.AddAlbum(record);
        record.strName = second;
        albums.AddAlbum(record);
        ASSERT_NE(albums.at(0).strName, albums.at(1).strName);
        PictureEntry picture;
        picture.address = QStringLiteral("http://h/1.jpg");
        picture.description = QStringLiteral("1");
        // The album folder its first picture gives the album.
        const auto folderOf = [&](const NamingJob& naming, JobFolders& folders, int album) {
            AlbumNaming state;
            state.album = albums.at(album);
            AddPicture(naming, folders, state, picture);
            return state.batch.albumFolder;
        };

        NamingJob naming;
        JobFolders folders(job.path());
        QStringList given;
        for (const int album : {0, 1, 0}) {
            given << folderOf(naming, folders, album);
        }
        EXPECT_NE(given[0], given[1]);
        EXPECT_EQ(given[2], given[0]);  // the same album keeps its folder
        EXPECT_LE(QDir(given[1]).dirName().toUtf8().size(), 251);

        naming.rules.albumNameMode = ALBUM_NAME_NONE;
        naming.rules.albumPrefix = QStringLiteral("all");
        JobFolders shared(job.path());
        for (const int album : {0, 1}) {
            EXPECT_EQ(folderOf(naming, shared, album), job.path() + QStringLiteral("all/"));
        }
    }
}

}  // namespace
