// Naming of listed pictures: file names from the rules, the album folder, unique names, the skip
// rule and the source-name file; the folder chain of the save path.

#include "app/AlbumList.h"
#include "download/AddPicture.h"
#include "download/ListFiles.h"
#include "download/NamingText.h"
#include "support/RecordingView.h"
#include "support/TempDir.h"
#include "text/TextPrinters.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <gtest/gtest.h>

namespace {

class Naming : public ::testing::Test {
protected:
    Naming() : folders(job.path()) { naming.batch.albumFolder = job.path(); }

    int Album(const QString& name, uint32_t rating = 0, int32_t extra = 0) {
        ST_PERLISTRECORD record;
        record.strName = name;
        record.strKey = QStringLiteral("key");
        record.nRating = rating;
        record.nExtra = extra;
        return albums.AddAlbum(record) - 1;
    }
    // Starts the next album as the download job does.
    void NewAlbum() {
        naming = AlbumNaming();
        naming.batch.albumFolder = folders.jobFolder();
        skipped = false;
    }
    // One listed picture of the album; once the skip rule has ended the album's listing, the
    // lister hands over nothing more.
    void Add(int album, const QString& address, const QString& source = QString(),
             const QString& headers = QString()) {
        if (skipped) {
            return;
        }
        naming.album = albums.at(album);
        namingJob.listedAlbums = static_cast<uint32_t>(albums.size());
        PictureEntry entry;
        entry.address = address;
        entry.description = source;
        entry.extraHeaders = headers;
        skipped = AddPicture(namingJob, folders, naming, entry) == NamingOutcome::SkipRule;
    }
    QStringList FileNames() const {
        QStringList names;
        for (const PlannedPicture& picture : naming.batch.pictures) {
            names << picture.fileName;
        }
        return names;
    }
    QStringList Addresses() const {
        QStringList addresses;
        for (const PlannedPicture& picture : naming.batch.pictures) {
            addresses << picture.AddressEntry();
        }
        return addresses;
    }
    const QString& AlbumFolder() const { return naming.batch.albumFolder; }
    SaveRules& Rules() { return namingJob.rules; }
    // The file names given to pictures with these source names, in one album.
    QStringList NamesFor(const QStringList& sources) {
        const int album = Album(QStringLiteral("Album"));
        for (int i = 0; i < sources.size(); ++i) {
            Add(album, QStringLiteral("http://h/%1.jpg").arg(i), sources[i]);
        }
        return FileNames();
    }
    static QString Picture(int i) { return QStringLiteral("http://h/%1.jpg").arg(i); }

    TempDir job;
    AlbumList albums;
    NamingJob namingJob;
    JobFolders folders;
    AlbumNaming naming;
    bool skipped = false;
};

TEST_F(Naming, FileNameTable) {
    struct Case {
        const char* what;
        uint8_t mode;
        QString source;
        QString address;
        QString expected;
    };
    const QString pic = QStringLiteral("http://h/p/x.jpg");
    const Case cases[] = {
        {"spaces collapse and trim", FILE_NAME_SOURCE, "  Sea   view  ", pic, "Sea view.jpg"},
        {"forbidden characters go", FILE_NAME_SOURCE, "a/b:c*d?e", pic, "abcde.jpg"},
        {"TAB becomes _", FILE_NAME_SOURCE, "a\tb", pic, "a_b.jpg"},
        {"dots only", FILE_NAME_SOURCE, "...", pic, QStringLiteral(u"。。。.jpg")},
        {"outer dots dropped", FILE_NAME_SOURCE, ".hidden.", pic, "hidden.jpg"},
        {"no hidden file", FILE_NAME_SOURCE, ". .x", pic, "x.jpg"},
        {"empty source: album name", FILE_NAME_SOURCE, "", pic, "Album.jpg"},
        {"climbing path stays inside", FILE_NAME_SOURCE, "../../etc/passwd", pic, "etcpasswd.jpg"},
        {"absolute path stays inside", FILE_NAME_SOURCE, "/abs/x.png", pic, "absx.png"},
        {"drive path stays inside", FILE_NAME_SOURCE, "C:\\Windows\\evil.exe", pic,
         "CWindowsevil.exe.jpg"},
        {"lone surrogate", FILE_NAME_SOURCE, QStringLiteral("a") + QChar(0xD800) + QLatin1Char('b'),
         pic, QStringLiteral(u"a\uFFFDb.jpg")},
        {"NUL", FILE_NAME_SOURCE, QStringLiteral("a") + QChar(0) + QLatin1Char('b'), pic,
         QStringLiteral(u"a\uFFFDb.jpg")},
        {"own picture extension kept", FILE_NAME_SOURCE, "photo.GIF", pic, "photo.GIF"},
        {".tiff is not a picture extension", FILE_NAME_SOURCE, "photo.tiff", pic, "photo.tiff.jpg"},
        {"address: last segment, case kept", FILE_NAME_ADDRESS, "s", "http://h/p/abc.JPG",
         "abc.JPG"},
        {"address: query text", FILE_NAME_ADDRESS, "s", "http://h/p/a.jpg?x=1", "a.jpgx=1.jpg"},
        {"address without /", FILE_NAME_ADDRESS, "s", "abc.png", "1.jpg"},
        {"address with / only in front", FILE_NAME_ADDRESS, "s", "/abc.png", "1.jpg"},
        {"sequence", FILE_NAME_SEQUENCE, "s", pic, "1.jpg"},
        {"unknown mode is sequence", 9, "s", pic, "1.jpg"},
    };
    const int album = Album(QStringLiteral("Album"));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        NewAlbum();
        Rules().fileNameMode = c.mode;
        Add(album, c.address, c.source);
        ASSERT_EQ(FileNames().size(), 1);
        EXPECT_EQ(FileNames()[0], c.expected);
        EXPECT_EQ(AlbumFolder(), job.path() + QStringLiteral("Album/"));
        EXPECT_EQ(QFileInfo(AlbumFolder() + FileNames()[0]).absolutePath(),
                  job.path() + QStringLiteral("Album"));
    }
}

TEST_F(Naming, PrefixSuffixAndReplacements) {
    struct Case {
        QString prefix, suffix, from, to, source, expected;
    };
    const Case cases[] = {
        {"p_", "_s", "", "", "x", "p_x_s.jpg"},
        {"", "", "Sea|view", "Ocean|look", "Sea view", "Ocean look.jpg"},
        {"", "", "Sea", "a/b?", "Sea", "ab.jpg"},  // replacements are cleaned too
        {"", ".png", "", "", "x", "x.png"},        // a suffix can bring the extension
    };
    const int album = Album(QStringLiteral("Album"));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.expected.toStdString());
        NewAlbum();
        Rules().filePrefix = c.prefix;
        Rules().fileSuffix = c.suffix;
        Rules().replaceFrom = c.from;
        Rules().replaceTo = c.to;
        Add(album, Picture(1), c.source);
        EXPECT_EQ(FileNames(), QStringList{c.expected});
    }
}

TEST_F(Naming, SequenceWithPositionAndNumberCodes) {
    const int album = Album(QStringLiteral("Album"));
    Rules().fileNameMode = FILE_NAME_SEQUENCE;
    Rules().filePrefix = QStringLiteral("?9_");
    Rules().fileSuffix = QStringLiteral("_?2");
    for (int i = 1; i <= 3; ++i) {
        Add(album, Picture(i));
    }
    EXPECT_EQ(FileNames(), (QStringList{"0001_1_1.jpg", "0001_2_2.jpg", "0001_3_3.jpg"}));
}

TEST_F(Naming, EscapeCodesInTheirFixedOrder) {
    Album(QStringLiteral("First"));
    const int album = Album(QStringLiteral("Trip"), 7, -3);
    namingJob.chosenAlbums = 4;
    Rules().fileNameMode = FILE_NAME_SEQUENCE;

    Rules().filePrefix = QStringLiteral("?1-?3-?4-?5-?6-?7-?9-");
    Add(album, Picture(1));
    EXPECT_EQ(FileNames().last(), QStringLiteral("Trip-2-7--3-4-2-0002-1.jpg"));

    // "?8" brings in "?9" (replaced after it) and "?1" (replaced before it, so it stays and
    // only loses its "?" in the cleaning); the account folder's "/" is cleaned away.
    NewAlbum();
    namingJob.accountFolder = QStringLiteral("acct?9?1/");
    Rules().filePrefix = QStringLiteral("?8-");
    Add(album, Picture(1));
    EXPECT_EQ(FileNames().last(), QStringLiteral("acct00021-1.jpg"));
}

TEST_F(Naming, ClashesAreNumberedFromTheNameBeforeItsExtension) {
    struct Case {
        QStringList sources;
        QStringList expected;
    };
    const Case cases[] = {
        {{"", ""}, {"Album.jpg", "Album(1).jpg"}},
        {{"Photo", "PHOTO", "photo"}, {"Photo.jpg", "PHOTO(1).jpg", "photo(2).jpg"}},
        {{"a.jpg", "a.jpg", "a.jpg"}, {"a.jpg", "a.jpg(1).jpg", "a.jpg(2).jpg"}},
        {{"a.png", "a.PNG"}, {"a.png", "a.PNG(1).PNG"}},
        {{"b", "b.jpg"}, {"b.jpg", "b.jpg(1).jpg"}},
        // the smallest free number, also when a numbered name was taken by a picture's own name
        {{"x", "x(2)", "x", "x", "x"}, {"x.jpg", "x(2).jpg", "x(1).jpg", "x(3).jpg", "x(4).jpg"}},
        {{"y(1)", "y", "y", "y(1)"}, {"y(1).jpg", "y.jpg", "y(2).jpg", "y(1)(1).jpg"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.sources.join(QLatin1Char(',')).toStdString());
        NewAlbum();
        EXPECT_EQ(NamesFor(c.sources), c.expected);
    }
}

TEST_F(Naming, ManyEqualNamesAreNumberedWithoutRescanning) {
    const int album = Album(QStringLiteral("Album"));
    constexpr int kPictures = 50000;
    for (int i = 0; i < kPictures; ++i) {
        Add(album, Picture(i));
    }
    const QStringList names = FileNames();
    ASSERT_EQ(names.size(), kPictures);
    EXPECT_EQ(names[1], QStringLiteral("Album(1).jpg"));
    EXPECT_EQ(names.last(), QStringLiteral("Album(49999).jpg"));
    EXPECT_EQ(QSet<QString>(names.begin(), names.end()).size(), kPictures);
}

TEST_F(Naming, NameThatCleansToNothingBecomesTimeStamp) {
    const int album = Album(QStringLiteral("Album"));
    Rules().fileNameMode = FILE_NAME_ADDRESS;
    Add(album, QStringLiteral("http://h/p/***"));
    const QRegularExpression stamp(QStringLiteral("^\\d{14}\\.jpg$"));
    EXPECT_TRUE(stamp.match(FileNames().value(0)).hasMatch()) << FileNames().value(0).toStdString();
}

TEST_F(Naming, LongNamesFitTheFileSystem) {
    struct Case {
        const char* what;
        QString source;
        QStringList expected;
    };
    const QString emoji = QStringLiteral(u"\U0001F600");
    const Case cases[] = {
        {"three-byte characters",
         QString(200, QChar(0x56FE)),
         {QString(83, QChar(0x56FE)) + ".jpg", QString(82, QChar(0x56FE)) + "(1).jpg"}},
        {"surrogate pairs",
         emoji.repeated(200),
         {emoji.repeated(62) + ".jpg", emoji.repeated(62) + "(1).jpg"}},
    };
    const int album = Album(QStringLiteral("Album"));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        NewAlbum();
        Add(album, Picture(1), c.source);
        Add(album, Picture(2), c.source);
        EXPECT_EQ(FileNames(), c.expected);
        for (const QString& name : FileNames()) {
            EXPECT_TRUE(QStringView(name).isValidUtf16());
            EXPECT_LE(name.toUtf8().size(), 255);
            QFile file(AlbumFolder() + name);
            EXPECT_TRUE(file.open(QIODevice::WriteOnly)) << file.errorString().toStdString();
        }
    }
}

TEST_F(Naming, LengthCutLeavesRoomForTheFolder) {
    const int album = Album(QStringLiteral("Album"));
    Add(album, Picture(1), QString(300, u'a'));
    const qsizetype limit = 250 - AlbumFolder().size();
    EXPECT_EQ(FileNames()[0], QString(limit, u'a') + ".jpg");

    // A deep folder never cuts names below 32 characters.
    Rules().albumNameMode = ALBUM_NAME_NONE;
    const QString deep = job.path() + QString(230, u'd') + QLatin1Char('/');
    ASSERT_TRUE(QDir().mkdir(deep));
    folders = JobFolders(deep);
    NewAlbum();
    Add(album, Picture(1), QString(50, u'b') + ".png");
    EXPECT_EQ(FileNames()[0], QString(32, u'b') + ".jpg");
}

TEST_F(Naming, AlbumFolderFromNamePrefixAndSuffix) {
    struct Case {
        uint8_t mode;
        QString prefix, suffix;
        QString folder;  // below the job folder; empty for the job folder itself
    };
    const Case cases[] = {
        {ALBUM_NAME_ALBUM, "", "", "Trip/"},
        {ALBUM_NAME_ALBUM, "?9-", "-?3?2", "0001-Trip-12/"},  // only ?1 ?3 ?9 are codes here
        {ALBUM_NAME_NONE, "?1 (", ")", "Trip ()/"},
        {ALBUM_NAME_NONE, "", "", ""},
        {7, "", "", ""},
        {ALBUM_NAME_NONE, "..", "", QStringLiteral(u"。。/")},
    };
    const int album = Album(QStringLiteral("Trip"));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.folder.toStdString());
        NewAlbum();
        Rules().albumNameMode = c.mode;
        Rules().albumPrefix = c.prefix;
        Rules().albumSuffix = c.suffix;
        Add(album, Picture(1));
        Add(album, Picture(2));
        EXPECT_EQ(AlbumFolder(), job.path() + c.folder);
        EXPECT_TRUE(QFileInfo(AlbumFolder()).isDir());
    }
}

TEST_F(Naming, LongAlbumNameFitsAsFolderAndListFileName) {
    const QString tu(1, QChar(0x56FE));
    const int album = Album(tu.repeated(300));  // the album list keeps 80 characters
    Rules().optionFlags = OPT_SOURCE_NAMES;
    Rules().albumSuffix = tu.repeated(10);  // 270 bytes of UTF-8 with the suffix
    Add(album, Picture(1), QStringLiteral("s"));
    const QString folder = job.path() + tu.repeated(83) + QLatin1Char('/');
    EXPECT_EQ(AlbumFolder(), folder);
    EXPECT_TRUE(QFileInfo(folder).isDir());
    EXPECT_TRUE(QFileInfo::exists(folder + tu.repeated(80) + ".txt"));
    EXPECT_EQ(ListFileBaseName(tu.repeated(300)), tu.repeated(83));
}

TEST_F(Naming, UncreatableAlbumFolderStillListsThePictures) {
    const int album = Album(QStringLiteral("Album"));
    folders = JobFolders(job.path() + QStringLiteral("missing/"));
    NewAlbum();
    Add(album, Picture(1));
    EXPECT_EQ(AlbumFolder(), job.path() + QStringLiteral("missing/Album/"));
    EXPECT_EQ(FileNames(), QStringList{"Album.jpg"});
}

TEST_F(Naming, SkipRuleStopsAtTheRememberedPicture) {
    struct Case {
        const char* what;
        bool option;
        QString marker;  // empty: no marker file
        int listed;
    };
    const Case cases[] = {
        {"remembered third picture", true, Picture(3), 2},
        {"remembered first picture", true, Picture(1), 0},
        {"missing marker", true, QString(), 5},
        {"option off", false, Picture(3), 5},
        {"fallback entry compared whole", true, Picture(2) + "\r\nhttp://h/b.jpg", 5},
    };
    const int album = Album(QStringLiteral("Album"));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        NewAlbum();
        QFile::remove(job.file(QStringLiteral("Album/pic.kzt")));
        if (!c.marker.isEmpty()) {
            QDir().mkdir(job.file(QStringLiteral("Album")));
            WriteDownloadedMarker(c.marker, job.file(QStringLiteral("Album/")));
        }
        Rules().optionFlags = c.option ? OPT_SKIP_DOWNLOADED : 0;
        for (int i = 1; i <= 5; ++i) {
            Add(album, Picture(i));
        }
        QStringList expected;
        for (int i = 1; i <= c.listed; ++i) {
            expected << Picture(i);
        }
        EXPECT_EQ(Addresses(), expected);
        EXPECT_EQ(FileNames().size(), c.listed);
        EXPECT_EQ(skipped, c.listed < 5);
    }
}

TEST_F(Naming, AlbumsWithoutFolderShareTheJobFolderMarker) {
    const int first = Album(QStringLiteral("A"));
    const int second = Album(QStringLiteral("B"));
    Rules().albumNameMode = ALBUM_NAME_NONE;
    Rules().optionFlags = OPT_SKIP_DOWNLOADED;
    WriteDownloadedMarker(Picture(2), job.path());

    Add(first, Picture(1));
    Add(first, Picture(2));
    EXPECT_EQ(Addresses(), QStringList{Picture(1)});
    EXPECT_EQ(AlbumFolder(), job.path());

    NewAlbum();
    Add(second, Picture(2));
    EXPECT_TRUE(Addresses().isEmpty());
    EXPECT_TRUE(skipped);
}

TEST_F(Naming, BatchEntriesStatusAndSourceNameFile) {
    const int album = Album(QStringLiteral("Album"));
    Rules().optionFlags = OPT_SOURCE_NAMES | OPT_SKIP_DOWNLOADED;
    QDir().mkdir(job.file(QStringLiteral("Album")));
    WriteDownloadedMarker(Picture(3), job.file(QStringLiteral("Album/")));
    const QString emoji = QStringLiteral(u"x\U0001F600");
    Add(album, Picture(1), QStringLiteral(u"  名字/1 "), QStringLiteral("H: 1"));
    Add(album, Picture(2), emoji);
    Add(album, Picture(3), QStringLiteral("dropped"));

    ASSERT_EQ(naming.batch.size(), 2);
    EXPECT_EQ(naming.batch.pictures[0].extraHeaders, QStringLiteral("H: 1"));
    EXPECT_TRUE(naming.batch.pictures[1].extraHeaders.isEmpty());
    EXPECT_EQ(FileNames(), (QStringList{QStringLiteral(u"名字1.jpg"), emoji + ".jpg"}));

    const QString lines = QStringLiteral(u"  名字/1 \r\n") + emoji + "\r\n";
    const QByteArray expected =
        QByteArray("\xFF\xFE", 2) +
        QByteArray(reinterpret_cast<const char*>(lines.utf16()), lines.size() * 2);
    EXPECT_EQ(job.read(QStringLiteral("Album/Album.txt")), expected);

    // Listing the album again starts the file anew.
    NewAlbum();
    Rules().optionFlags = OPT_SOURCE_NAMES;
    Add(album, Picture(1), QStringLiteral("again"));
    const QString again = QStringLiteral("again\r\n");
    EXPECT_EQ(job.read(QStringLiteral("Album/Album.txt")),
              QByteArray("\xFF\xFE", 2) +
                  QByteArray(reinterpret_cast<const char*>(again.utf16()), again.size() * 2));
}

TEST(PictureExtension, Table) {
    const std::pair<const char*, bool> cases[] = {
        {"a.jpg", true},    {"a.JPG", true},  {"a.jpeg", true},     {"a.bmp", true},
        {"a.Gif", true},    {"a.png", true},  {"a.tif", true},      {"a.tiff", false},
        {"a.webp", false},  {"noext", false}, {"a.png.txt", false}, {".png", true},
        {"a.jpg?x", false},
    };
    for (const auto& [name, expected] : cases) {
        EXPECT_EQ(HasPictureExtension(QString::fromLatin1(name)), expected) << name;
    }
}

TEST(NamingText, CutsBetweenCharacters) {
    const QString emoji = QStringLiteral(u"\U0001F600");
    QString text = QStringLiteral(u"ab") + emoji + QStringLiteral(u"图");
    EXPECT_EQ(Utf8Length(text), 2 + 4 + 3);
    QString cut = text;
    CutToUtf8Bytes(cut, 5);
    EXPECT_EQ(cut, QStringLiteral("ab"));
    cut = text;
    CutToUnits(cut, 3);
    EXPECT_EQ(cut, QStringLiteral("ab"));
    cut = text;
    CutToUnits(cut, 4);
    EXPECT_EQ(cut, QStringLiteral(u"ab") + emoji);
    QString broken = QString(QChar(0xDC00)) + QLatin1Char('a') + QChar(0xD800);
    ReplaceInvalidUnits(broken);
    EXPECT_EQ(broken, QStringLiteral(u"\uFFFDa\uFFFD"));
}

class FolderChain : public ::testing::Test {
protected:
    TempDir dir;
    RecordingView view;
};

TEST_F(FolderChain, CreatesEveryLevel) {
    QString path = QStringLiteral("  ") + dir.path() + QStringLiteral("a/b/c  ");
    EXPECT_TRUE(MakeFolderChain(path, view));
    EXPECT_EQ(path, dir.path() + QStringLiteral("a/b/c/"));
    EXPECT_TRUE(QFileInfo(path).isDir());
    EXPECT_TRUE(MakeFolderChain(path, view));  // existing levels are fine
    EXPECT_TRUE(view.Events().isEmpty());
}

TEST_F(FolderChain, RelativePathBecomesAbsolute) {
    const QString before = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(dir.path()));
    QString path = QStringLiteral("rel/x");
    const bool made = MakeFolderChain(path, view);
    const QString current = QDir::currentPath();
    QDir::setCurrent(before);
    EXPECT_TRUE(made);
    EXPECT_EQ(path, current + QStringLiteral("/rel/x/"));
    EXPECT_TRUE(QFileInfo(path).isDir());
}

TEST_F(FolderChain, FileInTheWayIsReported) {
    dir.write(QStringLiteral("file"), "x");
    QString path = dir.path() + QStringLiteral("file/sub");
    EXPECT_FALSE(MakeFolderChain(path, view));
    EXPECT_EQ(view.Events(), QStringList{QStringLiteral(u"message: 提示: ") + dir.path() +
                                         QStringLiteral("file")});
    EXPECT_FALSE(QFileInfo::exists(dir.path() + QStringLiteral("file/sub")));
}

}  // namespace
