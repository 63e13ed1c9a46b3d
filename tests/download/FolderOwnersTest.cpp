// Which album owns which folder across jobs: keyed by the absolute path with letter case
// ignored, so save trees copied to a file system that ignores case keep their albums apart.

#include "download/FolderOwners.h"
#include "support/TempDir.h"

#include <QDir>

#include <gtest/gtest.h>

namespace {

TEST(FolderOwners, ClaimsIgnoreLetterCaseAndSpelling) {
    TempDir dir;
    const FolderOwners owners(dir.file(QStringLiteral("records/album-folders.txt")));
    const QString trip = dir.file(QStringLiteral("save/Trip"));
    EXPECT_TRUE(owners.TryClaim(trip, QStringLiteral("1:a")));
    EXPECT_TRUE(owners.TryClaim(trip, QStringLiteral("1:a")));  // its own folder again
    struct Case {
        QString folder;
        bool free;
    };
    const Case cases[] = {
        {dir.file(QStringLiteral("save/trip")), false},
        {dir.file(QStringLiteral("save/TRIP/")), false},
        {dir.file(QStringLiteral("save/./x/../Trip")), false},
        {dir.file(QStringLiteral("save/Trip (1)")), true},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(owners.TryClaim(c.folder, QStringLiteral("2:b")), c.free)
            << c.folder.toStdString();
    }
    EXPECT_EQ(owners.OwnerOf(dir.file(QStringLiteral("save/trip"))), QStringLiteral("1:a"));

    // Another process reads the same records.
    const FolderOwners again(dir.file(QStringLiteral("records/album-folders.txt")));
    EXPECT_FALSE(again.TryClaim(dir.file(QStringLiteral("save/tRiP")), QStringLiteral("2:b")));
    // Records that make no sense are no records: the folder is free, as one without a record.
    dir.write(QStringLiteral("records/album-folders.txt"), QByteArray("\xff\xfe garbage\n\t\t\n"));
    EXPECT_TRUE(again.TryClaim(trip, QStringLiteral("2:b")));
}

}  // namespace
