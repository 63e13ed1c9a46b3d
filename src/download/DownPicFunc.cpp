#include "download/DownPicFunc.h"

#include "app/Harvest.h"
#include "download/AddPicture.h"
#include "download/DownProc.h"
#include "download/ListFiles.h"
#include "download/Repairs.h"
#include "sources/PictureListers.h"

#include <algorithm>
#include <optional>

namespace {

QString MessageTitle() {
    return QStringLiteral("提示");
}

// The save folder with the listing's account and sub folders, created; empty after a message
// when it cannot be.
QString PrepareJobFolder(Harvest& harvest) {
    HarvestView& view = harvest.view();
    QString path = view.SavePathText().trimmed();
    if (path.isEmpty()) {
        view.ShowMessage(QStringLiteral("请先设置保存路径"), MessageTitle());
        return QString();
    }
    if (!path.endsWith(QLatin1Char('/'))) {
        path += QLatin1Char('/');
    }
    path += harvest.AccountFolder() + harvest.SubFolder();
    if (!MakeFolderChain(path, view)) {
        view.ShowMessage(QStringLiteral("请检测设置的保存路径是否有误"), MessageTitle());
        return QString();
    }
    return path;
}

void CopyCurrentSettings(Harvest& harvest) {
    const SettingsBlock settings = harvest.Settings();
    const int kind = std::clamp(harvest.nSourceKind.load(), 0, kSourceKindSlots - 1);
    harvest.jobRules = settings.saveRules[kind];
    harvest.jobParams = settings.downloadParams[kind];
    if (harvest.jobOverrides) {
        harvest.jobOverrides(harvest.jobRules, harvest.jobParams);
    }
}

void ListPictures(Harvest& harvest, int albumIndex) {
    switch (harvest.nListType.load()) {
        case LIST_TYPE_XIANGCE:
            ListXiangcePictures(harvest, albumIndex);
            break;
        case LIST_TYPE_TIEBA_ALBUMS:
            ListTiebaPictures(harvest, albumIndex);
            break;
        default:
            ListTiebaPostPictures(harvest, albumIndex);
            break;
    }
}

// One album: list, then write its list or download, mark and repair. Returns the number of
// pictures listed.
int HandleAlbum(Harvest& harvest, const QString& jobFolder, int albumIndex, int position,
                int count) {
    HarvestView& view = harvest.view();
    DownloadBatch& batch = harvest.batch;
    batch.Clear();
    batch.albumFolder = jobFolder;
    harvest.jobState = JOB_RUNNING;
    harvest.SetCurrentAlbumFolder(jobFolder);
    view.SetStatus1(QStringLiteral("正在下载第%1/%2个图集").arg(position).arg(count));
    view.SetStatus2(QStringLiteral("......"));

    // Unless only the list is wanted, the workers start on each picture as it is listed.
    const uint16_t options = harvest.jobRules.optionFlags;
    std::optional<DownloadWorkers> workers;
    if (!(options & OPT_LIST_ONLY)) {
        workers.emplace(harvest);
        harvest.pictureListed = [&workers](int index) { workers->Add(index); };
    }
    ListPictures(harvest, albumIndex);
    harvest.pictureListed = nullptr;
    harvest.SetCurrentAlbumFolder(batch.albumFolder);
    if (batch.size() == 0 || harvest.jobState.load() == JOB_STOP_REQUESTED) {
        return 0;  // transfers already started were aborted by the stop
    }
    const int listed = batch.size();
    if (!workers) {
        const QString name = harvest.albums.at(albumIndex).strName;
        WriteDownloadList(batch,
                          batch.albumFolder + ListFileBaseName(name) + QStringLiteral(".lst"));
        return listed;
    }
    view.SetStatus2(QStringLiteral("已开始下载图片"));
    workers->Finish();
    if (harvest.jobState.load() != JOB_STOP_REQUESTED) {
        WriteDownloadedMarker(batch.addresses.first(), batch.albumFolder);
    }
    if (options & OPT_FIX_FORMAT) {
        FixPictureFormats(batch);
    }
    if (options & OPT_FIX_ORDER) {
        FixPictureOrder(batch);
    }
    return listed;
}

void EnterIdleState(Harvest& harvest) {
    harvest.jobState = JOB_IDLE;
    HarvestView& view = harvest.view();
    view.SetStatus1(QStringLiteral("下载完毕"));
    view.SetStatus2(QString());
    view.ShowDownloaded();
}

}  // namespace

void DownPicFunc(Harvest& harvest) {
    HarvestView& view = harvest.view();
    harvest.RereadExtensionSettings();
    harvest.jobPictureTotal = 0;
    harvest.jobAlbumFolders.clear();

    const QString jobFolder = PrepareJobFolder(harvest);
    if (jobFolder.isEmpty()) {
        harvest.jobState = JOB_IDLE;  // the window never left its idle state
        return;
    }
    harvest.jobState = JOB_RUNNING;
    view.ShowDownloading();
    CopyCurrentSettings(harvest);

    const QList<int> chosen = harvest.ChosenAlbumsForJob();
    harvest.albums.nSelected = static_cast<uint32_t>(chosen.size());
    if (chosen.isEmpty()) {
        view.ShowMessage(QStringLiteral("请先选择要下载的相册"), MessageTitle());
    }
    for (int i = 0; i < chosen.size() && harvest.jobState.load() != JOB_STOP_REQUESTED; ++i) {
        harvest.jobPictureTotal +=
            HandleAlbum(harvest, jobFolder, chosen[i], i + 1, static_cast<int>(chosen.size()));
    }
    EnterIdleState(harvest);
    if (harvest.jobPictureTotal.load() > 0 && (harvest.jobRules.optionFlags & OPT_OPEN_FOLDER)) {
        view.OpenFolder(harvest.CurrentAlbumFolder());
    }
}
