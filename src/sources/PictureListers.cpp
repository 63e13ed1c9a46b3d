#include "sources/PictureListers.h"

#include "app/Harvest.h"
#include "download/AddPicture.h"
#include "sources/ListerFetch.h"
#include "sources/TiebaPictures.h"
#include "sources/TiebaPostPictures.h"
#include "sources/XiangcePictures.h"

#include <QSet>

#include <algorithm>

namespace {

constexpr unsigned kPageTextFlags = TEXT_INFLATE | TEXT_UTF8;

bool StopRequested(const Harvest& harvest) {
    const uint8_t state = harvest.jobState.load();
    return state == JOB_STOP_LISTING || state == JOB_STOP_REQUESTED;
}

// Hands the pictures of one page to AddPicture in page order. False when the listing ends here:
// the page brings no picture not already listed in this call (a service that keeps answering
// its last page would otherwise keep the listing going for ever), or a stop state was set.
bool HandOver(Harvest& harvest, int albumIndex, const QList<PictureEntry>& entries,
              QSet<QString>& listed) {
    const bool anyNew = std::any_of(entries.begin(), entries.end(), [&](const PictureEntry& e) {
        return !listed.contains(e.address);
    });
    if (!anyNew) {
        return false;
    }
    for (const PictureEntry& entry : entries) {
        listed.insert(entry.address);
        AddPicture(harvest, albumIndex, entry.address, entry.description, QString());
        if (StopRequested(harvest)) {
            return false;
        }
    }
    return true;
}

// Fetches the page as UTF-8 text; false when the fetch failed or the text is empty.
bool FetchPage(UrlRequest& request, const QString& url, QString& text) {
    request.url = url;
    return FetchPageText(request, text, kPageTextFlags) && !text.isEmpty();
}

// The question for an album that claims pictures but lists none: on yes, the login window
// opens at the album and the caller tries again once it is closed.
bool VerifyAlbum(Harvest& harvest, const QString& albumKey) {
    HarvestView& view = harvest.view();
    if (!view.AskYesNo(QStringLiteral("为非公开相册,是否进行验证？\n\n验证成功后请手动关闭验证框"),
                       QStringLiteral("提示"))) {
        return false;
    }
    view.RequestLogin(XiangceVerifyUrl(albumKey));
    return true;
}

}  // namespace

void ListXiangcePictures(Harvest& harvest, int albumIndex) {
    const ST_PERLISTRECORD album = harvest.albums.at(albumIndex);
    UrlRequest request = MakePageRequest(QString());
    QSet<QString> listed;
    QString text;
    int offset = 0;
    bool mayAsk = true;
    for (;;) {
        if (!FetchPage(request, XiangcePictureListUrl(album.strKey, offset), text)) {
            return;
        }
        const QList<PictureEntry> entries = ParseXiangcePicturePage(text, album.strName);
        if (entries.isEmpty()) {
            // A count of -1 (unknown) counts as pictures claimed.
            if (static_cast<uint32_t>(album.nPicCount) > 0 && offset == 0 && mayAsk) {
                mayAsk = false;
                if (VerifyAlbum(harvest, album.strKey)) {
                    continue;
                }
            }
            return;
        }
        offset += static_cast<int>(entries.size());
        if (!HandOver(harvest, albumIndex, entries, listed)) {
            return;
        }
    }
}

void ListTiebaPictures(Harvest& harvest, int albumIndex) {
    const ST_PERLISTRECORD album = harvest.albums.at(albumIndex);
    const QString forumName = harvest.ForumName();
    UrlRequest request = MakePageRequest(QString());
    QSet<QString> listed;
    QString text;
    for (int page = 1;; ++page) {
        if (!FetchPage(request, TiebaPictureListUrl(forumName, album.strKey, page), text)) {
            return;
        }
        const QList<PictureEntry> entries = ParseTiebaPicturePage(text, album.strName);
        if (entries.isEmpty() || !HandOver(harvest, albumIndex, entries, listed)) {
            return;
        }
    }
}

void ListTiebaPostPictures(Harvest& harvest, int albumIndex) {
    const ST_PERLISTRECORD album = harvest.albums.at(albumIndex);
    UrlRequest request = MakePageRequest(QString());
    QSet<QString> listed;
    QString text;
    QString lastPicId;
    for (;;) {
        if (!FetchPage(request, TiebaGuideUrl(album.strKey, lastPicId), text)) {
            return;
        }
        const QList<PictureEntry> entries = ParseTiebaGuidePage(text, lastPicId, album.strName);
        if (entries.isEmpty() || !HandOver(harvest, albumIndex, entries, listed)) {
            return;
        }
        lastPicId = entries.last().id;
    }
}
