#pragma once
// The album list: one record per album found by a listing, in listing order. Listing threads add
// records while the window thread reads them, so every access takes the list's lock and hands out
// copies.

#include "sources/AlbumRecord.h"

#include <QHash>
#include <QString>

#include <atomic>
#include <cstdint>
#include <mutex>
#include <vector>

// The longest album name the grid shows, and so the longest the list keeps (before numbering).
constexpr int kAlbumNameLength = 80;

class AlbumList {
public:
    // Copies the lister's record, cleans its name, cuts it to kAlbumNameLength units, makes it
    // unique and appends it; returns the new length.
    int AddAlbum(const ST_PERLISTRECORD& record);
    // Index of the first record whose name equals the text exactly, or -1.
    int FindAlbumByName(const QString& name) const;
    void ClearAlbums();

    int size() const;
    // A copy of record i; a default record for an index outside the list.
    ST_PERLISTRECORD at(int i) const;
    void SetThumb(int i, int thumb);

    // Number of albums chosen for the running download (naming code ?6).
    std::atomic<uint32_t> nSelected{0};

private:
    int FindLocked(const QString& name) const;

    mutable std::mutex mutex_;
    std::vector<ST_PERLISTRECORD> records_;
    QHash<QString, int> firstIndexByName_;  // name -> first index holding it
    QHash<QString, unsigned> nextNumber_;   // cleaned name -> the last number given to it
};

// "未知" for -1, otherwise the count right-aligned in four places.
QString FormatPicCount(int32_t count);
// The remark text of an album's access bits.
QString FormatRemark(uint32_t remark);
