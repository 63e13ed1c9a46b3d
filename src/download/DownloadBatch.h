#pragma once
// The pictures of one album as the naming planned them, and the album's folder.

#include <QSet>
#include <QString>
#include <QStringList>

#include <vector>

// One picture ready to be fetched: where from (in order), under which name, with which headers.
struct PlannedPicture {
    QStringList addresses;  // the first address, then the fallback when the page gives one
    QString fileName;       // bare name within the album folder, at most 255 bytes of UTF-8
    QString extraHeaders;   // request header lines (may be empty)
    QString id;             // the service's picture id where the page gives one

    // The addresses as the album's files hold them: joined by CR LF.
    QString AddressEntry() const { return addresses.join(QStringLiteral("\r\n")); }
};

// One album of a download job.
struct DownloadBatch {
    QString albumFolder;                   // ends with the folder separator
    std::vector<PlannedPicture> pictures;  // in listing order
    QSet<QString> foldedNames;             // the file names case-folded, for the clash test

    int size() const { return static_cast<int>(pictures.size()); }
};
