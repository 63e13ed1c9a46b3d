#include "sources/PictureListers.h"

#include "sources/PageFetch.h"
#include "sources/TiebaPictures.h"
#include "sources/TiebaPostPictures.h"
#include "sources/XiangcePictures.h"

#include <QSet>

#include <algorithm>

namespace {

// What the three listings share: the pictures listed so far and the hand-over of a page.
class ListingCursor : public PictureCursor {
protected:
    // Hands the page's pictures to the sink in order; false when the listing ends here (nothing
    // new on the page, or the sink asked to stop).
    bool HandOver(const QList<PictureEntry>& entries, PictureSink& sink) {
        const bool anyNew = std::any_of(entries.begin(), entries.end(), [&](const PictureEntry& e) {
            return !listed_.contains(e.address);
        });
        if (!anyNew) {
            return false;
        }
        for (const PictureEntry& entry : entries) {
            listed_.insert(entry.address);
            if (!sink.AddPicture(entry)) {
                return false;
            }
        }
        return true;
    }

private:
    QSet<QString> listed_;
};

// Album service: pages of 100 from an offset; an album that claims pictures but lists none on
// its first page is offered for verification once.
class XiangceCursor : public ListingCursor {
public:
    explicit XiangceCursor(const ST_PERLISTRECORD& album) : album_(album) {}

    UrlRequest NextRequest() override {
        return MakePageRequest(XiangcePictureListUrl(album_.strKey, offset_));
    }

    bool TakePage(const QString& text, PictureSink& sink) override {
        const QList<PictureEntry> entries = ParseXiangcePicturePage(text, album_.strName);
        if (entries.isEmpty()) {
            // A count of -1 (unknown) counts as pictures claimed.
            if (static_cast<uint32_t>(album_.nPicCount) > 0 && offset_ == 0 && mayAsk_) {
                mayAsk_ = false;
                return sink.VerifyAlbum(album_.strKey);
            }
            return false;
        }
        offset_ += static_cast<int>(entries.size());
        return HandOver(entries, sink);
    }

private:
    const ST_PERLISTRECORD album_;
    int offset_ = 0;
    bool mayAsk_ = true;
};

// Forum album: pages of 200, numbered from 1.
class TiebaCursor : public ListingCursor {
public:
    TiebaCursor(const ST_PERLISTRECORD& album, const QString& forumName)
        : album_(album), forumName_(forumName) {}

    UrlRequest NextRequest() override {
        return MakePageRequest(TiebaPictureListUrl(forumName_, album_.strKey, ++page_));
    }

    bool TakePage(const QString& text, PictureSink& sink) override {
        const QList<PictureEntry> entries = ParseTiebaPicturePage(text, album_.strName);
        return !entries.isEmpty() && HandOver(entries, sink);
    }

private:
    const ST_PERLISTRECORD album_;
    const QString forumName_;
    int page_ = 0;
};

// Forum post: guide batches of 50, each continuing after the last picture seen.
class TiebaPostCursor : public ListingCursor {
public:
    explicit TiebaPostCursor(const ST_PERLISTRECORD& album) : album_(album) {}

    UrlRequest NextRequest() override {
        return MakePageRequest(TiebaGuideUrl(album_.strKey, lastPicId_));
    }

    bool TakePage(const QString& text, PictureSink& sink) override {
        const QList<PictureEntry> entries = ParseTiebaGuidePage(text, lastPicId_, album_.strName);
        if (entries.isEmpty() || !HandOver(entries, sink)) {
            return false;
        }
        lastPicId_ = entries.last().id;
        return true;
    }

private:
    const ST_PERLISTRECORD album_;
    QString lastPicId_;
};

}  // namespace

std::unique_ptr<PictureCursor> MakePictureCursor(int listType, const ST_PERLISTRECORD& album,
                                                 const QString& forumName) {
    switch (listType) {
        case LIST_TYPE_XIANGCE:
            return std::make_unique<XiangceCursor>(album);
        case LIST_TYPE_TIEBA_ALBUMS:
            return std::make_unique<TiebaCursor>(album, forumName);
        default:
            return std::make_unique<TiebaPostCursor>(album);
    }
}

ListingResult ListPictures(PictureCursor& cursor, PictureSink& sink, int maxRetries) {
    for (;;) {
        const PageText page =
            FetchListPage(cursor.NextRequest(), cursor.TextFlags(), maxRetries, StopCheck());
        if (!page.ok) {
            return FailedListing(page.failure);
        }
        if (page.text.isEmpty() || !cursor.TakePage(page.text, sink)) {
            return {};
        }
    }
}
