// Fuzz entries of the page parsers: the page bytes are read as text the way the lister reads its
// fetched page, then parsed; the records go on as the listers hand them over.

#include "FuzzEntries.h"
#include "FuzzInput.h"

#include "app/AlbumList.h"
#include "net/URLSource2.h"
#include "sources/TiebaAlbums.h"
#include "sources/TiebaPictures.h"
#include "sources/TiebaPost.h"
#include "sources/TiebaPostPictures.h"
#include "sources/XiangceAlbums.h"
#include "sources/XiangcePictures.h"

namespace {

// The page text as UrlResponse::GetText makes it from an uncompressed body.
QString PageText(const QByteArray& body, unsigned textFlags) {
    UrlResponse response;
    response.body = body;
    QString text;
    response.GetText(text, textFlags);
    return text;
}

QString Utf8Page(const QByteArray& body) {
    return PageText(body, TEXT_INFLATE | TEXT_UTF8);
}

// The records enter an album list, which makes their names usable as folder names.
void CheckAlbums(const QList<ST_PERLISTRECORD>& records) {
    AlbumList albums;
    for (const ST_PERLISTRECORD& record : records) {
        FUZZ_CHECK(!record.strKey.isEmpty());
        albums.AddAlbum(record);
    }
    FUZZ_CHECK(albums.size() == records.size());
    for (int i = 0; i < albums.size(); ++i) {
        const QString name = albums.at(i).strName;
        FUZZ_CHECK(!name.isEmpty());
        FUZZ_CHECK(!name.contains(QLatin1Char('/')));
        FUZZ_CHECK(name != QLatin1String(".") && name != QLatin1String(".."));
        FUZZ_CHECK(albums.FindAlbumByName(name) == i);  // unique
    }
}

void CheckPictures(const QList<PictureEntry>& entries, const QString& albumName) {
    for (const PictureEntry& entry : entries) {
        FUZZ_CHECK(!entry.description.isEmpty() || albumName.isEmpty());
    }
}

}  // namespace

void FuzzXiangceHomePage(const uint8_t* data, size_t size) {
    CheckAlbums(ParseXiangceHomePage(
        Utf8Page(QByteArray(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size)))));
}

void FuzzXiangceAlbumPage(const uint8_t* data, size_t size) {
    CheckAlbums(ParseXiangceAlbumPage(
        Utf8Page(QByteArray(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size)))));
}

void FuzzTiebaAlbumPage(const uint8_t* data, size_t size) {
    CheckAlbums(ParseTiebaAlbumPage(
        Utf8Page(QByteArray(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size)))));
}

void FuzzTiebaPostPage(const uint8_t* data, size_t size) {
    FuzzInput in(data, size);
    const QString address = in.Text(false);
    // The post page is read in the ANSI code page (GBK).
    const ST_PERLISTRECORD record = ParseTiebaPostPage(PageText(in.Rest(), TEXT_INFLATE), address);
    FUZZ_CHECK(record.strKey == address);
    if (!address.isEmpty()) {
        CheckAlbums({record});
    }
}

void FuzzXiangcePicturePage(const uint8_t* data, size_t size) {
    FuzzInput in(data, size);
    const QString albumName = in.Text(false);
    CheckPictures(ParseXiangcePicturePage(Utf8Page(in.Rest()), albumName), albumName);
}

void FuzzTiebaPicturePage(const uint8_t* data, size_t size) {
    FuzzInput in(data, size);
    const QString albumName = in.Text(false);
    const QList<PictureEntry> entries = ParseTiebaPicturePage(Utf8Page(in.Rest()), albumName);
    CheckPictures(entries, albumName);
    for (const PictureEntry& entry : entries) {
        FUZZ_CHECK(entry.address == TiebaPictureAddress(entry.id));
    }
}

void FuzzTiebaGuidePage(const uint8_t* data, size_t size) {
    FuzzInput in(data, size);
    const QString lastPicId = in.Text(false);
    const QString albumName = in.Text(false);
    CheckPictures(ParseTiebaGuidePage(Utf8Page(in.Rest()), lastPicId, albumName), albumName);
}
