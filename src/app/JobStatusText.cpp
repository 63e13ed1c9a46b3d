#include "app/JobStatusText.h"

#include "sources/SourceKinds.h"

QString DescribePageFailure(const PageFailure& failure) {
    QString what;
    switch (failure.kind) {
        case FetchError::Refused:
            what = QStringLiteral("连接被拒绝");
            break;
        case FetchError::Unreachable:
            what = QStringLiteral("无法连接");
            break;
        case FetchError::HostNotFound:
            what = QStringLiteral("找不到服务器");
            break;
        case FetchError::Tls:
            what = QStringLiteral("安全连接失败");
            break;
        case FetchError::TimedOut:
            what = QStringLiteral("连接超时");
            break;
        case FetchError::Reset:
            what = QStringLiteral("连接中断");
            break;
        case FetchError::HttpStatus:
            what = QStringLiteral("服务器返回 %1").arg(failure.status);
            break;
        case FetchError::TooLarge:
            what = QStringLiteral("页面过大");
            break;
        default:
            what = failure.reason;
            break;
    }
    const QString host = failure.Host();
    return host.isEmpty() ? what : host + QStringLiteral(" ") + what;
}

StatusLines ListingStartedText() {
    return {QStringLiteral("正在获取相册列表，请稍等..."), QString()};
}

StatusLines ListingFinishedText(const ListingSummary& summary) {
    if (summary.unsupportedKind >= 0) {
        return {QStringLiteral("暂不支持获取%1的相册")
                    .arg(SourceKinds().value(summary.unsupportedKind).displayText),
                std::nullopt};
    }
    if (summary.failure) {
        return {QStringLiteral("获取相册列表失败（%1），共%2个")
                    .arg(DescribePageFailure(*summary.failure), QString::number(summary.albums)),
                std::nullopt};
    }
    return {QStringLiteral("获取相册列表完成，共%1个").arg(summary.albums), std::nullopt};
}

QString ListingGroupText(const ListingSummary& summary) {
    return QStringLiteral("相册列表(共%1个)").arg(summary.albums);
}

StatusLines DownloadStatusText::JobStarted() {
    anyEnded_ = false;
    last_ = {};
    return {};
}

StatusLines DownloadStatusText::AlbumStarted(const AlbumStartedEvent& event) {
    StatusLines lines;
    lines.line1 = QStringLiteral("正在下载第%1/%2个图集").arg(event.position).arg(event.albums);
    if (!anyEnded_) {
        lines.line2 = QStringLiteral("......");
    }
    return lines;
}

StatusLines DownloadStatusText::PictureListed(const PictureListedEvent& event) {
    last_ = event.job;
    if (anyEnded_) {
        return {};
    }
    return {std::nullopt, QStringLiteral("已获取到%1张图片信息").arg(event.albumListed)};
}

StatusLines DownloadStatusText::AlbumListed(const AlbumListedEvent& event) {
    if (anyEnded_ || event.listOnly || event.pictures == 0) {
        return {};
    }
    return {std::nullopt, QStringLiteral("已开始下载图片")};
}

StatusLines DownloadStatusText::PictureEnded(const PictureEndedEvent& event) {
    anyEnded_ = true;
    last_ = event.job;
    return {std::nullopt, Progress()};
}

StatusLines DownloadStatusText::AlbumFinished(const AlbumFinishedEvent&) {
    // The album's end shows the count once more, as its last picture did.
    return anyEnded_ ? StatusLines{std::nullopt, Progress()} : StatusLines{};
}

StatusLines DownloadStatusText::JobFinished(const JobResult& result) {
    StatusLines lines;
    lines.line1 = result.pageFailures.isEmpty()
                      ? QStringLiteral("下载完毕")
                      : QStringLiteral("下载完毕，有页面获取失败（%1）")
                            .arg(DescribePageFailure(result.pageFailures.first()));
    QStringList notes;
    if (!result.failures.isEmpty()) {
        notes << QStringLiteral("有%1张图片下载失败").arg(result.failed());
    }
    if (!result.busyAlbums.isEmpty()) {
        notes << QStringLiteral("%1个图集的文件夹正被其他下载使用，已跳过")
                     .arg(result.busyAlbums.size());
    }
    if (result.alreadyDownloaded > 0) {
        notes << QStringLiteral("%1张图片已下载过，未再下载").arg(result.alreadyDownloaded);
    }
    if (result.handedOver > 0) {
        notes << QStringLiteral("%1张图片已交给 aria2 下载").arg(result.handedOver);
    }
    if (!result.archiveError.isEmpty()) {
        notes << QStringLiteral("下载记录写入失败（%1张图片未记录）").arg(result.unrecorded);
    }
    lines.line2 = notes.join(QStringLiteral("，"));
    return lines;
}

QString DownloadStatusText::Progress() const {
    return QStringLiteral("已下载%1/%2......").arg(last_.ended).arg(last_.listed);
}
