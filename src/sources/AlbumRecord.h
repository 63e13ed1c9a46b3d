#pragma once
// One album as a lister finds it and the album list keeps it.

#include <QString>

#include <cstdint>

struct ST_PERLISTRECORD {
    QString strName;        // grid name and album folder name; unique within the list
    QString strKey;         // album sign, forum thread id or post address
    QString strCover;       // cover picture address; may be empty
    int32_t nPicCount = 0;  // -1 when the service gives no count
    uint32_t nRemark = 0;   // access remark bits, or a number when the top bit is set
    uint32_t nRating = 0;   // naming code ?4
    int32_t nExtra = 0;     // naming code ?5
    uint32_t nIndex = 0;    // position in the list when added
    int32_t nThumb = -1;    // preview: its cover is in the cover cache; -1 while it is not
};
