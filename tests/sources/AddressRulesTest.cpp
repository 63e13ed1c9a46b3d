// Recognition of the service from an address and the Baidu address rules.

#include "sources/SourceKinds.h"

#include <gtest/gtest.h>

namespace {

TEST(SourceKinds, SixteenKindsWithTheirFragments) {
    ASSERT_EQ(SourceKinds().size(), kSourceKindCount);
    EXPECT_EQ(SubKindTexts(), (QStringList{QStringLiteral("QQ空间相册"), QStringLiteral("QQ群相册"),
                                           QStringLiteral("腾讯微博相册")}));
}

TEST(SourceKinds, RecognizesAddresses) {
    struct Case {
        const char* address;
        int current;
        int kind;
    };
    const Case cases[] = {
        {"http://tieba.baidu.com/photo/g?kw=abc", 5, 1},
        {"https://tieba.baidu.com/photo/g?kw=abc", 5, 1},          // the secure scheme counts too
        {"tieba.baidu.com/photo/g?kw=abc", 5, 5},                  // no scheme: nothing changes
        {"baidu.com/ http://", 5, 5},                              // fragment at position 0 only
        {"http://user.qzone.qq.com/123 http://baidu.com/", 3, 0},  // table order wins
        {"http://weibo.com/u/1", 0, 4},
        {"http://photo.sina.com.cn/x", 0, 4},
        {"http://detail.1688.com", 0, 11},
        {"http://www.pconline.com.cn", 0, 14},
        {"http://example.org/", 7, 7},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(RecognizeSourceKind(QString::fromUtf8(c.address), c.current), c.kind)
            << c.address;
    }
    EXPECT_EQ(RecognizeSubKind(QStringLiteral("http://t.qq.com/someone")), 2);
    EXPECT_EQ(RecognizeSubKind(QStringLiteral("http://qun.qq.com/group")), 1);
    EXPECT_EQ(RecognizeSubKind(QStringLiteral("http://user.qzone.qq.com/1")), 0);
}

TEST(BaiduAddress, ClassifiesEachForm) {
    struct Case {
        const char* address;
        BaiduAddressKind kind;
        const char* argument;
        const char* forum;
    };
    const Case cases[] = {
        {"http://tieba.baidu.com/photo/g?kw=abc&ie=utf-8", BaiduAddressKind::TiebaForum, "abc",
         "abc"},
        {"http://tieba.baidu.com/f?kw=abc#top", BaiduAddressKind::TiebaForum, "abc", "abc"},
        {"http://tieba.baidu.com/photo/g?kw=%E4%B8%AD/list", BaiduAddressKind::TiebaForum,
         "%E4%B8%AD", "%E4%B8%AD"},
        {"http://tieba.baidu.com/photo/p?kw=abc&tid=7", BaiduAddressKind::TiebaPost,
         "http://tieba.baidu.com/photo/p?kw=abc&tid=7", "abc"},
        {"http://xiangce.baidu.com/u/someone?from=x", BaiduAddressKind::XiangceUser, "someone", ""},
        {"http://xiangce.baidu.com/picture/detail/42", BaiduAddressKind::NeedsProfilePage,
         "http://xiangce.baidu.com/picture/detail/42", ""},
    };
    for (const Case& c : cases) {
        const BaiduAddress result = ClassifyBaiduAddress(QString::fromUtf8(c.address));
        EXPECT_EQ(result.kind, c.kind) << c.address;
        EXPECT_EQ(result.argument, QString::fromUtf8(c.argument)) << c.address;
        EXPECT_EQ(result.forumName, QString::fromUtf8(c.forum)) << c.address;
    }
}

TEST(BaiduAddress, ForumNameDecodesUtf8OrGbk) {
    EXPECT_EQ(DecodeForumName(QStringLiteral("%E4%B8%AD%E6%96%87")), QStringLiteral("中文"));
    EXPECT_EQ(DecodeForumName(QStringLiteral("%D6%D0%CE%C4")), QStringLiteral("中文"));
    EXPECT_EQ(DecodeForumName(QStringLiteral("abc")), QStringLiteral("abc"));
}

TEST(BaiduAddress, UserNameFromProfileText) {
    EXPECT_EQ(XiangceUserFromText(QStringLiteral("u/name?x=1")), QStringLiteral("name"));
    EXPECT_EQ(XiangceUserFromText(QStringLiteral("name#frag")), QStringLiteral("name"));
}

}  // namespace
