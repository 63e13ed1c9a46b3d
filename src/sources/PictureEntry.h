#pragma once
// One picture as a picture lister reads it from a page: what AddPicture receives.

#include <QString>

struct PictureEntry {
    QString address;       // full-size picture address
    QString fallback;      // address to try when the first fails or answers nothing; may be empty
    QString description;   // the picture's name, or the album name when the page gives none
    QString id;            // the service's picture id where the page gives one
    QString extraHeaders;  // request header lines for the picture; may be empty
};
