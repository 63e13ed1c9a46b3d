#include "app/GetListFunc.h"

#include "app/Harvest.h"
#include "download/NamingText.h"
#include "sources/PageFetch.h"
#include "sources/SourceKinds.h"
#include "sources/TiebaAlbums.h"
#include "sources/TiebaPost.h"
#include "sources/XiangceAlbums.h"
#include "text/StringCtrl.h"

#include <new>

namespace {

QString BadAddressMessage() {
    return QStringLiteral("请输入正确的相册地址（以 http:// 开头）");
}
QString MessageTitle() {
    return QStringLiteral("提示");
}

// Where the listers put what they find: the album list and the grid.
class ListingSink : public AlbumSink {
public:
    explicit ListingSink(Harvest& harvest) : harvest_(harvest) {}

    bool AddAlbum(const ST_PERLISTRECORD& record) override {
        if (harvest_.bReady.load() == 1) {
            try {
                const int length = harvest_.albums.AddAlbum(record);
                harvest_.view().AddGridRow(length - 1);
            } catch (const std::bad_alloc&) {
                harvest_.view().ShowMessage(QStringLiteral("内存分配失败"), QString());
            }
        }
        return !StopRequested();
    }
    void SetAccountFolder(const QString& folder) override { harvest_.SetAccountFolder(folder); }
    bool StopRequested() const override {
        return harvest_.nListState.load() == LIST_STOP_REQUESTED;
    }

private:
    Harvest& harvest_;
};

// A listing's folder text as a folder name: cleaned, made writable and cut to fit a file name
// (a long forum or user name made a component the file system refuses), ended with the
// separator when not empty.
QString AsFolderName(QString text) {
    CleanFileName(text, 0, false);
    ReplaceInvalidUnits(text);
    CutToUtf8Bytes(text, kNameMaxBytes);
    if (!text.isEmpty() && !text.endsWith(QLatin1Char('/'))) {
        text += QLatin1Char('/');
    }
    return text;
}

// The user name behind an address that names no user: the page's "/profile/" link (or, on a page
// without one, its text before the first double quote).
ListingResult FindProfileUser(const QString& address, ListingSink& sink, int retries,
                              QString& user) {
    PageText page = FetchListPage(MakePageRequest(address), TEXT_INFLATE | TEXT_UTF8, retries,
                                  [&sink] { return sink.StopRequested(); });
    if (!page.ok) {
        return FailedListing(page.failure);
    }
    SkipPast(page.text, QStringLiteral("/profile/"), true);
    CutAt(page.text, QStringLiteral("\""));
    user = XiangceUserFromText(page.text);
    return {};
}

// Runs the lister the address leads to. `single` is set when a single post was listed.
ListingResult RunLister(Harvest& harvest, const QString& address, bool& single) {
    ListingSink sink(harvest);
    const int retries = harvest.retries.load();
    const BaiduAddress target = ClassifyBaiduAddress(address);
    ListingResult result;
    switch (target.kind) {
        case BaiduAddressKind::TiebaPost:
            result = ListTiebaPost(target.argument, sink, retries);
            harvest.SetForumName(target.forumName);
            harvest.SetAccountFolder(DecodeForumName(target.forumName));
            harvest.nListType = LIST_TYPE_TIEBA_POST;
            single = harvest.albums.size() == 1;
            return result;
        case BaiduAddressKind::TiebaForum:
            harvest.SetForumName(target.forumName);
            result = ListTiebaAlbums(target.forumName, sink, retries);
            harvest.SetAccountFolder(DecodeForumName(target.forumName));
            harvest.nListType = LIST_TYPE_TIEBA_ALBUMS;
            return result;
        case BaiduAddressKind::XiangceUser:
            result = ListXiangceAlbums(target.argument, sink, retries);
            harvest.nListType = LIST_TYPE_XIANGCE;
            return result;
        case BaiduAddressKind::NeedsProfilePage: {
            QString user;
            result = FindProfileUser(address, sink, retries, user);
            if (result.end == ListingEnd::Complete) {
                result = ListXiangceAlbums(user, sink, retries);
                harvest.nListType = LIST_TYPE_XIANGCE;
            }
            return result;
        }
    }
    return result;
}

void FinishListing(Harvest& harvest, ListingSummary summary, bool startDownload) {
    HarvestView& view = harvest.view();
    harvest.SetAccountFolder(AsFolderName(harvest.AccountFolder()));
    harvest.SetSubFolder(AsFolderName(harvest.SubFolder()));
    view.RefreshGrid();

    const int count = harvest.albums.size();
    summary.albums = count;
    harvest.SetLastListing(summary);
    // The address is read before the idle state: once idle, the window may start the next
    // listing and wait for this thread, which must then not wait for the window.
    const QString address = view.AddressText().trimmed();
    harvest.nListState = LIST_IDLE;
    view.ListingFinished(summary);

    if (count > 0) {
        if (harvest.AddToHistory(0, address)) {
            view.HistoryAdded(0, address);
        }
    }
    if (startDownload) {
        view.StartAutoDownload();
    }
}

}  // namespace

void GetListFunc(Harvest& harvest) {
    HarvestView& view = harvest.view();
    harvest.RereadExtensionSettings();
    harvest.nSourceKind = kBaiduKind;
    harvest.SetAccountFolder(QString());
    harvest.SetSubFolder(QString());

    const QString address = view.AddressText().trimmed();
    if (address.isEmpty()) {
        view.ShowMessage(BadAddressMessage(), MessageTitle());
        ListingSummary refused;
        refused.refused = true;
        harvest.SetLastListing(refused);
        harvest.nListState = LIST_IDLE;
        return;
    }
    view.ListingStarted();

    ListingSummary summary;
    bool startDownload = false;
    if (!HasWebScheme(address)) {
        view.ShowMessage(BadAddressMessage(), MessageTitle());
        summary.refused = true;
    } else {
        const int subKind = view.SubKindSelection();
        if (subKind >= 0) {
            harvest.nListType = subKind;
        }
        // An address of another recognised service was taken for the album service and a user
        // name cut out of its page: such an address is said to be unsupported, not guessed at.
        const int service = ServiceOfHost(address);
        if (service >= 0 && service != kBaiduKind) {
            summary.unsupportedKind = service;
        } else if (harvest.nSourceKind.load() == kBaiduKind) {
            const ListingResult result = RunLister(harvest, address, startDownload);
            summary.stopped = result.end == ListingEnd::Stopped;
            if (result.end == ListingEnd::PageFailed) {
                summary.failure = result.failure;
            }
        }
    }
    FinishListing(harvest, summary, startDownload);
}
