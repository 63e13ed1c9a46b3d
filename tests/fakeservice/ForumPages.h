#pragma once
// The pages of the forum's photo service: the album wall, an album's picture list, a post's
// picture page (GBK) and the picture guide that walks a post's pictures in batches.

#include "fakeservice/FakeTypes.h"

#include <QString>

// "/photo/g": `perPage` album tiles of page `page` (1-based) in an HTML fragment inside JSON.
FakeReply ForumWallPage(const QString& forum, qint64 page, qint64 perPage);
// "/photo/g/bw/picture/list": `perPage` pictures of page `page` (1-based) of the album `tid`.
FakeReply ForumPictureListPage(const QString& forum, qint64 tid, qint64 page, qint64 perPage);
// "/photo/p": the post's picture page, GBK-encoded, with its title in a script object.
FakeReply ForumPostPage(const QString& forum, qint64 tid);
// "/photo/bw/picture/guide": the picture picId itself when withPrevious, then up to `next`
// pictures after it; an empty picId starts at the first picture.
FakeReply ForumGuidePage(const QString& forum, qint64 tid, const QString& picId, qint64 next,
                         bool withPrevious);

// The forum picture host's address of a picture id.
QByteArray ForumPictureUrl(const QString& id);
