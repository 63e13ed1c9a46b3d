#include "app/AlbumList.h"

#include "text/StringCtrl.h"

namespace {

// The name cut to the grid's length, never between the halves of a surrogate pair.
QString CutToGridLength(const QString& name) {
    if (name.size() <= kAlbumNameLength) {
        return name;
    }
    qsizetype length = kAlbumNameLength;
    if (name.at(length - 1).isHighSurrogate()) {
        --length;
    }
    return name.left(length);
}

}  // namespace

int AlbumList::AddAlbum(const ST_PERLISTRECORD& record) {
    ST_PERLISTRECORD copy = record;
    copy.nThumb = -1;
    CleanFileName(copy.strName, 0xFFFF, true);
    // Cut before the name is made unique: two long names that share their start are numbered
    // instead of becoming two albums of one name.
    copy.strName = CutToGridLength(copy.strName);

    std::lock_guard lock(mutex_);
    copy.nIndex = static_cast<uint32_t>(records_.size());
    // Numbered names are tried from the number after the last one given for this name, so a page
    // of many albums of one name costs constant time per album, not a scan from 1 each time.
    QString candidate = copy.strName;
    if (FindLocked(candidate) >= 0) {
        unsigned& next = nextNumber_[copy.strName];
        do {
            // One arg() call: a "%1" inside the name stays as it is.
            candidate = QStringLiteral("%1 (%2)").arg(copy.strName, QString::number(++next));
        } while (FindLocked(candidate) >= 0);
    }
    copy.strName = candidate;
    firstIndexByName_.insert(candidate, static_cast<int>(records_.size()));
    records_.push_back(std::move(copy));
    return static_cast<int>(records_.size());
}

int AlbumList::FindAlbumByName(const QString& name) const {
    std::lock_guard lock(mutex_);
    return FindLocked(name);
}

int AlbumList::FindLocked(const QString& name) const {
    return firstIndexByName_.value(name, -1);
}

void AlbumList::ClearAlbums() {
    std::lock_guard lock(mutex_);
    records_.clear();
    firstIndexByName_.clear();
    nextNumber_.clear();
}

int AlbumList::size() const {
    std::lock_guard lock(mutex_);
    return static_cast<int>(records_.size());
}

ST_PERLISTRECORD AlbumList::at(int i) const {
    std::lock_guard lock(mutex_);
    if (i < 0 || i >= static_cast<int>(records_.size())) {
        return ST_PERLISTRECORD();
    }
    return records_[i];
}

void AlbumList::SetThumb(int i, int thumb) {
    std::lock_guard lock(mutex_);
    if (i >= 0 && i < static_cast<int>(records_.size())) {
        records_[i].nThumb = thumb;
    }
}

QString FormatPicCount(int32_t count) {
    if (count == -1) {
        return QStringLiteral("未知");
    }
    return QStringLiteral("%1").arg(static_cast<uint32_t>(count), 4);
}

QString FormatRemark(uint32_t remark) {
    if (remark & 0x80000000u) {
        return QStringLiteral("%1").arg(remark & 0x7FFFFFFFu, 8, 10, QLatin1Char('0'));
    }
    if (remark & 1u) {
        return QStringLiteral("加密相册");
    }
    if (remark & 2u) {
        return QStringLiteral("私密相册");
    }
    if (remark & 4u) {
        return QStringLiteral("好友可见");
    }
    return QString();
}
