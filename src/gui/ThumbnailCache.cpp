#include "gui/ThumbnailCache.h"

#include <QImage>
#include <QImageReader>

ThumbnailCache::ThumbnailCache(const QString& folder, QSize size, int capacity)
    : folder_(folder), size_(size), capacity_(std::max(capacity, 1)) {}

QString ThumbnailCache::FileOf(int album) const {
    return folder_ + QStringLiteral("%1.jpg").arg(album);
}

QPixmap ThumbnailCache::Get(int album) {
    const auto found = kept_.find(album);
    if (found != kept_.end()) {
        order_.splice(order_.begin(), order_, found->position);
        return found->pixmap;
    }
    QImageReader reader(FileOf(album));
    reader.setScaledSize(size_);  // JPEG covers are decoded at about the cell's size
    const QImage image = reader.read();
    if (image.isNull()) {
        return QPixmap();  // not kept: a cover that arrives later is read then
    }
    const QPixmap pixmap =
        QPixmap::fromImage(image.size() == size_ ? image
                                                 : image.scaled(size_, Qt::IgnoreAspectRatio,
                                                                Qt::SmoothTransformation));
    order_.push_front(album);
    kept_.insert(album, {pixmap, order_.begin()});
    if (static_cast<int>(order_.size()) > capacity_) {
        kept_.remove(order_.back());
        order_.pop_back();
    }
    return pixmap;
}

bool ThumbnailCache::Readable(int album) const {
    return QImageReader(FileOf(album)).canRead();
}

void ThumbnailCache::Forget(int album) {
    const auto found = kept_.find(album);
    if (found != kept_.end()) {
        order_.erase(found->position);
        kept_.erase(found);
    }
}

void ThumbnailCache::Clear() {
    kept_.clear();
    order_.clear();
}
