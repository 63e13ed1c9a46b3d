#include "sources/SourceKinds.h"

#include "text/StringCtrl.h"

#include <QUrl>

namespace {

const QString kTiebaHostMarker = QStringLiteral("tieba.baidu.com/");
const QString kTencentWeiboHost = QStringLiteral("t.qq.com");
const QString kQqGroupHost = QStringLiteral("qun.qq.com");

// Applies the four cuts that end a name taken from an address.
QString CutNameEnd(QString text) {
    for (const char* end : {"/", "?", "#", "&"}) {
        CutAt(text, QString::fromLatin1(end));
    }
    return text;
}

}  // namespace

const QList<SourceKindInfo>& SourceKinds() {
    static const QList<SourceKindInfo> kinds = {
        {QStringLiteral("QQ相册"), {QStringLiteral("qq.com/")}},
        {QStringLiteral("百度相册/贴吧相册"), {QStringLiteral("baidu.com/")}},
        {QStringLiteral("网易相册"), {QStringLiteral("163.com/")}},
        {QStringLiteral("人人相册"), {QStringLiteral("renren.com/")}},
        {QStringLiteral("新浪微博相册"),
         {QStringLiteral("sina.com"), QStringLiteral("weibo.com/")}},
        {QStringLiteral("56相册"), {QStringLiteral("56.com/")}},
        {QStringLiteral("POCO相册"), {QStringLiteral("poco.cn/")}},
        {QStringLiteral("又拍相册"), {QStringLiteral("yupoo.com/")}},
        {QStringLiteral("51相册"), {QStringLiteral("51.com/")}},
        {QStringLiteral("ZOL相册"), {QStringLiteral("zol.com.cn/")}},
        {QStringLiteral("PChome相册"), {QStringLiteral("pchome.net/")}},
        {QStringLiteral("淘宝/天猫/1688"),
         {QStringLiteral("taobao.com/"), QStringLiteral("tmall.com/"), QStringLiteral("1688.com")}},
        {QStringLiteral("美空相册"), {QStringLiteral("moko.cc/")}},
        {QStringLiteral("宝宝树相册"), {QStringLiteral("babytree.com/")}},
        {QStringLiteral("太平洋电脑网相册"), {QStringLiteral("pconline.com.cn")}},
        {QStringLiteral("虎扑相册"), {QStringLiteral("hupu.com/")}},
    };
    return kinds;
}

QStringList SubKindTexts() {
    return {QStringLiteral("QQ空间相册"), QStringLiteral("QQ群相册"),
            QStringLiteral("腾讯微博相册")};
}

bool HasWebScheme(const QString& text) {
    return text.contains(QLatin1String("http://")) || text.contains(QLatin1String("https://"));
}

int RecognizeSourceKind(const QString& address, int currentKind) {
    if (!HasWebScheme(address)) {
        return currentKind;
    }
    const QList<SourceKindInfo>& kinds = SourceKinds();
    for (int kind = 0; kind < kinds.size(); ++kind) {
        for (const QString& fragment : kinds[kind].domainFragments) {
            if (address.indexOf(fragment) > 0) {
                return kind;
            }
        }
    }
    return currentKind;
}

int ServiceOfHost(const QString& address) {
    const QString host = QUrl(address.trimmed()).host().toLower();
    if (host.isEmpty()) {
        return -1;
    }
    const QList<SourceKindInfo>& kinds = SourceKinds();
    for (int kind = 0; kind < kinds.size(); ++kind) {
        for (QString domain : kinds[kind].domainFragments) {
            if (domain.endsWith(QLatin1Char('/'))) {
                domain.chop(1);
            }
            if (host == domain || host.endsWith(QLatin1Char('.') + domain)) {
                return kind;
            }
        }
    }
    return -1;
}

int RecognizeSubKind(const QString& address) {
    if (address.indexOf(kTencentWeiboHost) > 0) {
        return 2;
    }
    if (address.indexOf(kQqGroupHost) > 0) {
        return 1;
    }
    return 0;
}

QString XiangceUserFromText(QString text) {
    SkipPast(text, QStringLiteral("u/"), true);
    return CutNameEnd(text);
}

QString ForumNameFromAddress(QString address) {
    SkipPast(address, QStringLiteral("kw="), true);
    return CutNameEnd(address);
}

BaiduAddress ClassifyBaiduAddress(const QString& address) {
    BaiduAddress result;
    if (address.contains(kTiebaHostMarker)) {
        result.forumName = ForumNameFromAddress(address);
        if (address.indexOf(QLatin1String("photo/p?kw=")) > 0) {
            result.kind = BaiduAddressKind::TiebaPost;
            result.argument = address;
        } else {
            result.kind = BaiduAddressKind::TiebaForum;
            result.argument = result.forumName;
        }
        return result;
    }
    if (address.contains(QLatin1String("u/"))) {
        result.kind = BaiduAddressKind::XiangceUser;
        result.argument = XiangceUserFromText(address);
        return result;
    }
    result.kind = BaiduAddressKind::NeedsProfilePage;
    result.argument = address;
    return result;
}

QString DecodeForumName(const QString& forumName) {
    const QByteArray bytes = PercentDecodeBytes(WideToGbk(forumName));
    return UrlUnescape(forumName, IsUtf8Text(bytes));
}
