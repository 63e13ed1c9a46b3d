#include "gui/CoverLoader.h"

#include "net/URLSource2.h"
#include "sources/PageFetch.h"

#include <QDir>
#include <QImageReader>

#include <mutex>

struct CoverLoader::Mailbox {
    std::mutex mutex;
    CoverLoader* owner = nullptr;
};

CoverLoader::CoverLoader(const QString& folder, QObject* parent)
    : QObject(parent),
      folder_(folder),
      mailbox_(std::make_shared<Mailbox>()),
      cancel_(std::make_shared<std::atomic_bool>(false)) {
    mailbox_->owner = this;
}

CoverLoader::~CoverLoader() {
    cancel_->store(true);
    std::lock_guard lock(mailbox_->mutex);
    mailbox_->owner = nullptr;
}

void CoverLoader::Request(int index, const QString& cover) {
    // Album-service covers come from JSON text with its escaped slashes ("http:\/\/...").
    const QString url = UnescapeSlashes(cover);
    if (url.isEmpty()) {
        return;
    }
    QDir().mkpath(folder_);
    const QString path = folder_ + QStringLiteral("%1.jpg").arg(index);
    UrlRequest request(url, path, kDefaultTimeoutMs);
    request.failOnHttpError = true;
    request.retryDelaySec = 0;
    request.cancel = cancel_;
    ++pending_;
    const std::shared_ptr<Mailbox> mailbox = mailbox_;
    const std::shared_ptr<std::atomic_bool> cancel = cancel_;
    const bool accepted = FetchUrlAsync(
        request, FETCH_CACHE_WRITE | FETCH_NO_RELOAD,
        [mailbox, index, path, cancel](UrlResponse&&, bool ok) {
            // Back to the owner's thread; a call still queued when the owner goes is
            // dropped with it.
            std::lock_guard lock(mailbox->mutex);
            if (CoverLoader* owner = mailbox->owner) {
                QMetaObject::invokeMethod(
                    owner,
                    [owner, index, ok, path, cancel] { owner->Arrived(index, ok, path, cancel); },
                    Qt::QueuedConnection);
            }
        });
    if (!accepted) {
        // The network has stopped (the program ends): the cover stays empty.
        QMetaObject::invokeMethod(
            this, [this, index, path, cancel] { Arrived(index, false, path, cancel); },
            Qt::QueuedConnection);
    }
}

void CoverLoader::Arrived(int index, bool ok, const QString& path,
                          const std::shared_ptr<std::atomic_bool>& cancel) {
    if (cancel != cancel_) {
        return;  // from before a CancelAll
    }
    --pending_;
    // Only the header is read here: the picture is decoded when its cell is drawn.
    Q_EMIT Loaded(index, ok && QImageReader(path).canRead());
    if (pending_ == 0) {
        Q_EMIT AllDone();
    }
}

void CoverLoader::CancelAll() {
    cancel_->store(true);
    cancel_ = std::make_shared<std::atomic_bool>(false);
    if (pending_ != 0) {
        pending_ = 0;
        Q_EMIT AllDone();
    }
}
