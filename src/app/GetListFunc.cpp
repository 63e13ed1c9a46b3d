#include "app/GetListFunc.h"

#include "app/Harvest.h"
#include "download/NamingText.h"
#include "sources/ListerFetch.h"
#include "sources/SourceKinds.h"
#include "sources/TiebaAlbums.h"
#include "sources/TiebaPost.h"
#include "sources/XiangceAlbums.h"
#include "text/StringCtrl.h"

namespace {

QString BadAddressMessage() {
    return QStringLiteral("请输入正确的相册地址（以 http:// 开头）");
}
QString MessageTitle() {
    return QStringLiteral("提示");
}

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
bool FindProfileUser(const QString& address, QString& user) {
    QString page;
    if (!FetchPageText(MakePageRequest(address), page, TEXT_INFLATE | TEXT_UTF8)) {
        return false;
    }
    SkipPast(page, QStringLiteral("/profile/"), true);
    CutAt(page, QStringLiteral("\""));
    user = XiangceUserFromText(page);
    return true;
}

// Runs the lister the address leads to; true when a single post was listed.
bool RunLister(Harvest& harvest, const QString& address) {
    const BaiduAddress target = ClassifyBaiduAddress(address);
    switch (target.kind) {
        case BaiduAddressKind::TiebaPost:
            ListTiebaPost(target.argument, harvest);
            harvest.SetForumName(target.forumName);
            harvest.SetAccountFolder(DecodeForumName(target.forumName));
            harvest.nListType = LIST_TYPE_TIEBA_POST;
            return harvest.albums.size() == 1;
        case BaiduAddressKind::TiebaForum:
            harvest.SetForumName(target.forumName);
            ListTiebaAlbums(target.forumName, harvest);
            harvest.SetAccountFolder(DecodeForumName(target.forumName));
            harvest.nListType = LIST_TYPE_TIEBA_ALBUMS;
            return false;
        case BaiduAddressKind::XiangceUser:
            ListXiangceAlbums(target.argument, harvest);
            harvest.nListType = LIST_TYPE_XIANGCE;
            return false;
        case BaiduAddressKind::NeedsProfilePage: {
            QString user;
            if (FindProfileUser(address, user)) {
                ListXiangceAlbums(user, harvest);
                harvest.nListType = LIST_TYPE_XIANGCE;
            }
            return false;
        }
    }
    return false;
}

void FinishListing(Harvest& harvest, bool startDownload) {
    HarvestView& view = harvest.view();
    harvest.SetAccountFolder(AsFolderName(harvest.AccountFolder()));
    harvest.SetSubFolder(AsFolderName(harvest.SubFolder()));
    view.RefreshGrid();

    const int count = harvest.albums.size();
    view.SetGroupText(QStringLiteral("相册列表(共%1个)").arg(count));
    view.SetStatus1(QStringLiteral("获取相册列表完成，共%1个").arg(count));
    // The address is read before the idle state: once idle, the window may start the next
    // listing and wait for this thread, which must then not wait for the window.
    const QString address = view.AddressText().trimmed();
    harvest.nListState = LIST_IDLE;
    view.ShowListed(count > 0);

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
        harvest.nListState = LIST_IDLE;
        return;
    }
    view.SetGroupText(QStringLiteral("相册列表"));
    view.SetStatus1(QStringLiteral("正在获取相册列表，请稍等..."));
    view.SetStatus2(QString());
    view.ShowListing();

    bool startDownload = false;
    if (!HasWebScheme(address)) {
        view.ShowMessage(BadAddressMessage(), MessageTitle());
    } else {
        const int subKind = view.SubKindSelection();
        if (subKind >= 0) {
            harvest.nListType = subKind;
        }
        if (harvest.nSourceKind.load() == kBaiduKind) {
            startDownload = RunLister(harvest, address);
        }
    }
    FinishListing(harvest, startDownload);
}
