#pragma once
// The decoded thumbnails of the preview layout. Covers stay as files in the cache folder
// ("<album index>.jpg"); only the most recently drawn few hundred are kept decoded, scaled to the
// cell, so a grid of tens of thousands of albums holds little more than one screen of pictures.

#include <QHash>
#include <QPixmap>
#include <QSize>
#include <QString>

#include <list>

class ThumbnailCache {
public:
    ThumbnailCache(const QString& folder, QSize size, int capacity = 300);

    // The album's thumbnail, decoded from its cover file when it is not kept; null when the file
    // is missing or no picture.
    QPixmap Get(int album);
    // Whether the album's cover file holds a picture this program can decode (read from its
    // header, nothing decoded).
    bool Readable(int album) const;
    // Forgets the album's thumbnail (its file changed), or every one.
    void Forget(int album);
    void Clear();
    int KeptCount() const { return static_cast<int>(order_.size()); }

private:
    QString FileOf(int album) const;

    QString folder_;
    QSize size_;
    int capacity_;
    std::list<int> order_;  // most recently used first
    struct Kept {
        QPixmap pixmap;
        std::list<int>::iterator position;
    };
    QHash<int, Kept> kept_;
};
