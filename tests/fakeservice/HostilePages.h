#pragma once
// The "hostile" forum of the fake service: album and picture names that try to leave the save
// folder or break file names ("../", "/", leading dots, control characters, 100,000-character
// names, invalid UTF-8 and GBK, lone UTF-16 surrogate halves), covers and pictures that redirect
// in a loop, never end, or announce 2 GB. Every forum name that contains "hostile", or consists of
// dots, spaces and slashes only, is served this set, so the forum name itself can be hostile too.

#include "fakeservice/FakeTypes.h"

#include <QByteArray>
#include <QString>

#include <optional>

// The album names as the wall page carries them: the raw bytes between the title quotes, which
// the lister reads as UTF-8 and then decodes backslash-u escapes in.
int HostileAlbumCount();
QByteArray HostileAlbumTitle(int albumIndex);
// The album whose pictures misbehave: one that redirects in a loop, one whose body never ends,
// one that announces 2 GB, and one ordinary picture.
int HostileBadPicturesAlbum();
// Pictures of an album and their ids; every picture of the other albums is an ordinary JPEG of
// the service's picture size.
int HostilePictureCount(int albumIndex);
QString HostilePictureId(int albumIndex, int pictureIndex);
// The forum thread id of an album (1001, 1002, ...).
qint64 HostileTid(int albumIndex);

bool IsHostileForumName(const QString& forum);
// The reply for a request of the forum pages (wall, picture list, post page, guide) of a hostile
// forum name; nothing for any other request.
std::optional<FakeReply> HostileReply(FakePathKind kind, const FakeRequest& request);
