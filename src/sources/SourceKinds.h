#pragma once
// The services recognised from an address, and the rules that send a Baidu address to its lister.

#include <QString>
#include <QStringList>

inline constexpr int kSourceKindCount = 16;
inline constexpr int kBaiduKind = 1;

struct SourceKindInfo {
    QString displayText;  // entry of the source-kind selector
    QStringList domainFragments;
};

// The sixteen source kinds in selector order.
const QList<SourceKindInfo>& SourceKinds();
// The three entries of the sub-kind selector (only for kind 0).
QStringList SubKindTexts();

// True when the text holds "http://" or "https://" anywhere.
bool HasWebScheme(const QString& text);
// The kind an address selects: the first fragment, in table order, found at a position greater
// than 0; currentKind when none is found or the text has no web scheme.
int RecognizeSourceKind(const QString& address, int currentKind);
// For kind 0: 2 for a Tencent Weibo address, 1 for a QQ group album, else 0.
int RecognizeSubKind(const QString& address);
// The kind whose domain the address's host name is (or lies below), judged on the host alone so
// that nothing in the path or query can change it; -1 when no kind claims the host.
int ServiceOfHost(const QString& address);

// Where a Baidu address leads.
enum class BaiduAddressKind {
    TiebaPost,         // a single post's picture page: argument is the whole address
    TiebaForum,        // a forum's album page: argument is the forum name
    XiangceUser,       // an album-service user: argument is the user name
    NeedsProfilePage,  // any other address: fetch it and find its "/profile/" link
};

struct BaiduAddress {
    BaiduAddressKind kind = BaiduAddressKind::NeedsProfilePage;
    QString argument;
    QString forumName;  // forum addresses: the name as it stands in the address (percent-encoded)
};

BaiduAddress ClassifyBaiduAddress(const QString& address);
// The user name of an address or profile link: after the first "u/", cut at "/", "?", "#", "&".
QString XiangceUserFromText(QString text);
// The forum name of a forum address: after the first "kw=", cut at "/", "?", "#", "&".
QString ForumNameFromAddress(QString address);
// The forum name as a folder name: percent-decoded, read as UTF-8 when the bytes are valid UTF-8
// (today's addresses), else as GBK (older addresses).
QString DecodeForumName(const QString& forumName);
