#pragma once
// The content side of the fake service: one request in, the reply out, with no network. It
// impersonates the photo-album service, the forum and the picture hosts by host name.

#include "fakeservice/FakeTypes.h"

// Host names the service answers.
inline constexpr char kAlbumServiceHost[] = "xiangce.baidu.com";
inline constexpr char kForumHost[] = "tieba.baidu.com";
inline constexpr char kForumPictureHost[] = "imgsrc.baidu.com";
inline constexpr char kAlbumPictureHostSuffix[] = ".hiphotos.baidu.com";

// Which page or picture the request asks for.
FakePathKind ClassifyRequest(const FakeRequest& request);
// The reply: pages gzipped when the request accepts it and the options allow it; pictures never;
// 404 with a small HTML page for unknown hosts and paths. The reply's kind is set.
FakeReply Answer(const FakeRequest& request, const FakeOptions& options = {});
