#pragma once
// The pages of the photo-album service: a user's home page, the JSON album list, the JSON
// picture list of an album, and the verification pages that set the cookie "verified=1".

#include "fakeservice/FakeTypes.h"

#include <QString>

// "/u/<user>": the mobile-album data in a script object, then a feedback element and a long tail.
FakeReply AlbumHomePage(const QString& user);
// "/album/list/<user>": at most `size` albums after the one whose sign is lastSign.
FakeReply AlbumListPage(const QString& user, const QString& lastSign, qint64 size);
// "/picture/album/list/<sign>?format=json": at most `size` pictures from `offset` on.
FakeReply AlbumPictureListPage(const QString& sign, qint64 offset, qint64 size, bool verified);
// "/picture/album/list/<sign>" without "format=json": the page a browser shows.
FakeReply AlbumVerifyPage(const QString& sign);
// "/login": sets the cookie "verified=1".
FakeReply AlbumLoginPage();
// "/picture/detail/<user>/<n>": a picture page whose link leads to the user's profile.
FakeReply AlbumDetailPage(const QString& user);

// The album-service thumbnail address of a picture file ("<file>.jpg" at its end).
QByteArray AlbumThumbnailUrl(const QString& file, int width);
