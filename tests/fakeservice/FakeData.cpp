#include "fakeservice/FakeData.h"

#include <QStringList>

#include <iterator>

namespace {

struct TableAlbum {
    const char* name;  // UTF-8
    int pictureCount;
};

// A handful of albums with the names that trouble a downloader: CJK text, an HTML entity,
// duplicates, a path, an empty album and one that spans several pages of every listing.
const TableAlbum kDemoAlbums[] = {
    {"手机相册", 3}, {"春天的花", 12},    {"Tom &amp; Jerry", 5}, {"旅行", 7},
    {"旅行", 2},     {"../上级/目录", 4}, {"空相册", 0},          {"大相册", 250},
};

const TableAlbum kPrivateAlbums[] = {{"公开相册", 3}, {"私密相册", 5}};

// Pictures of the "faults" set: the id's suffix chooses how the picture host answers.
const char* const kFaultFormats[] = {"", "-png", "-gif", "-bmp"};
const char* const kFaultFailures[] = {"", "-missing", "-reset", "-short", "-busy", ""};
const char* const kFaultStalls[] = {"", "-stall", "-stallhead"};
const TableAlbum kFaultAlbums[] = {{"格式", static_cast<int>(std::size(kFaultFormats))},
                                   {"失败", static_cast<int>(std::size(kFaultFailures))},
                                   {"停滞", static_cast<int>(std::size(kFaultStalls))}};

constexpr int kRepeatAlbums = 45;     // a wall of two pages
constexpr int kRepeatPictures = 120;  // a picture list of two album-service pages
constexpr qint64 kFirstTid = 1001;
constexpr int kMaxGeneratedAlbums = 1000000;
constexpr int kMaxGeneratedPictures = 10000000;

}  // namespace

FakeDataSet FakeDataSet::ByName(const QString& name) {
    FakeDataSet set;
    set.name_ = name;
    if (name == QLatin1String("demo")) {
        set.kind_ = Kind::Demo;
    } else if (name == QLatin1String("repeat")) {
        set.kind_ = Kind::Repeat;
    } else if (name == QLatin1String("private")) {
        set.kind_ = Kind::Private;
    } else if (name == QLatin1String("faults")) {
        set.kind_ = Kind::Faults;
    } else if (name.startsWith(QLatin1String("onepage-"))) {
        // "onepage-<albums>": that many albums of one name, all on the wall's first page.
        bool ok = false;
        const int albums = name.mid(8).toInt(&ok);
        if (ok && albums >= 0 && albums <= kMaxGeneratedAlbums) {
            set.kind_ = Kind::OnePage;
            set.generatedAlbums_ = albums;
            set.generatedPictures_ = 1;
        }
    } else if (name.startsWith(QLatin1String("gen-"))) {
        // "gen-<albums>x<pictures>", both decimal.
        const QStringList numbers = name.mid(4).split(u'x');
        bool albumsOk = false;
        bool picturesOk = false;
        const int albums = numbers.value(0).toInt(&albumsOk);
        const int pictures = numbers.value(1).toInt(&picturesOk);
        if (numbers.size() == 2 && albumsOk && picturesOk && albums >= 0 &&
            albums <= kMaxGeneratedAlbums && pictures >= 0 && pictures <= kMaxGeneratedPictures) {
            set.kind_ = Kind::Generated;
            set.generatedAlbums_ = albums;
            set.generatedPictures_ = pictures;
        }
    }
    return set;
}

FakeDataSet FakeDataSet::BySign(const QString& sign) {
    const qsizetype slash = sign.lastIndexOf(u'/');
    return ByName(slash < 0 ? QString() : sign.left(slash));
}

int FakeDataSet::albumCount() const {
    switch (kind_) {
        case Kind::Demo:
            return static_cast<int>(std::size(kDemoAlbums));
        case Kind::Generated:
        case Kind::OnePage:
            return generatedAlbums_;
        case Kind::Repeat:
            return kRepeatAlbums;
        case Kind::Private:
            return static_cast<int>(std::size(kPrivateAlbums));
        case Kind::Faults:
            return static_cast<int>(std::size(kFaultAlbums));
        case Kind::Empty:
            break;
    }
    return 0;
}

int FakeDataSet::homeAlbumCount() const {
    return kind_ == Kind::Demo ? 1 : 0;
}

FakeAlbum FakeDataSet::album(int index) const {
    FakeAlbum album;
    album.sign = QStringLiteral("%1/%2").arg(name_, QString::number(index + 1));
    album.tid = kFirstTid + index;
    switch (kind_) {
        case Kind::Demo:
            album.name = QString::fromUtf8(kDemoAlbums[index].name);
            album.pictureCount = kDemoAlbums[index].pictureCount;
            break;
        case Kind::Generated:
            album.name = QStringLiteral("相册 %1").arg(index + 1);
            album.pictureCount = generatedPictures_;
            break;
        case Kind::Repeat:
            album.name = QStringLiteral("重复 %1").arg(index + 1);
            album.pictureCount = kRepeatPictures;
            break;
        case Kind::Private:
            album.name = QString::fromUtf8(kPrivateAlbums[index].name);
            album.pictureCount = kPrivateAlbums[index].pictureCount;
            album.locked = index == 1;
            break;
        case Kind::Faults:
            album.name = QString::fromUtf8(kFaultAlbums[index].name);
            album.pictureCount = kFaultAlbums[index].pictureCount;
            break;
        case Kind::OnePage:
            album.name = QStringLiteral("同名相册");
            album.pictureCount = generatedPictures_;
            break;
        case Kind::Empty:
            break;
    }
    return album;
}

int FakeDataSet::albumIndexBySign(const QString& sign) const {
    const qsizetype slash = sign.lastIndexOf(u'/');
    if (slash < 0 || sign.left(slash) != name_) {
        return -1;
    }
    bool ok = false;
    const int number = sign.mid(slash + 1).toInt(&ok);
    return ok && number >= 1 && number <= albumCount() ? number - 1 : -1;
}

int FakeDataSet::albumIndexByTid(qint64 tid) const {
    const qint64 index = tid - kFirstTid;
    return index >= 0 && index < albumCount() ? static_cast<int>(index) : -1;
}

FakePicture FakeDataSet::picture(int albumIndex, int pictureIndex) const {
    QString suffix;
    if (kind_ == Kind::Faults) {
        const char* const* kinds[] = {kFaultFormats, kFaultFailures, kFaultStalls};
        suffix = QLatin1String(kinds[albumIndex][pictureIndex]);
    }
    FakePicture picture;
    picture.id = QStringLiteral("%1_%2_%3%4")
                     .arg(name_, QString::number(albumIndex + 1),
                          QStringLiteral("%1").arg(pictureIndex, 6, 10, QLatin1Char('0')), suffix);
    // Every fourth picture has no description, so listers fall back to the album name.
    if (pictureIndex % 4 != 3) {
        picture.descr = QStringLiteral("照片 %1").arg(pictureIndex + 1);
    }
    return picture;
}

int FakeDataSet::pictureIndexById(int albumIndex, const QString& id) const {
    // The index is the number after the last "_", before any "-suffix".
    const qsizetype underscore = id.lastIndexOf(u'_');
    if (underscore < 0) {
        return -1;
    }
    QString number = id.mid(underscore + 1);
    number.truncate(number.indexOf(u'-') < 0 ? number.size() : number.indexOf(u'-'));
    bool ok = false;
    const int index = number.toInt(&ok);
    if (!ok || index < 0 || index >= album(albumIndex).pictureCount ||
        picture(albumIndex, index).id != id) {
        return -1;
    }
    return index;
}
