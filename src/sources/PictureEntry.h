#pragma once
// One picture as a picture lister reads it from a page: what AddPicture receives.

#include <QString>

struct PictureEntry {
    QString address;      // full-size picture address
    QString description;  // the picture's name, or the album name when the page gives none
    QString id;           // the service's picture id where the page gives one
};
