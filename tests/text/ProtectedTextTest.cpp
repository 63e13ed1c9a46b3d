// The protected-text codec.

#include <gtest/gtest.h>

#include <QRegularExpression>

#include "text/StringCtrl.h"
#include "text/TextPrinters.h"

namespace {

// Stream bytes behind a protected text: each digit pair complemented back.
QByteArray StreamOf(const QString& protectedText) {
    QByteArray stream;
    for (qsizetype i = 0; i + 1 < protectedText.size(); i += 2) {
        const int high = 15 - QStringView(protectedText).mid(i, 1).toInt(nullptr, 16);
        const int low = 15 - QStringView(protectedText).mid(i + 1, 1).toInt(nullptr, 16);
        stream += static_cast<char>(high << 4 | low);
    }
    return stream;
}

// Key "ab" (0x61 0x62), plain "aokc":
//   'a' 0x61 with key 0x61: equal        -> key byte and "1": 0x61 0x31
//   'o' 0x6F with key 0x62: XOR 0x0D (CR) -> key byte and "2": 0x62 0x32
//   'k' 0x6B with key 0x61: XOR 0x0A (LF) -> key byte and "3": 0x61 0x33
//   'c' 0x63 with key 0x62: XOR 0x01      -> 0x01
// Stream 61 31 62 32 61 33 01; every nibble n written as the digit of 15 - n:
//   61 -> 9E, 31 -> CE, 62 -> 9D, 32 -> CD, 61 -> 9E, 33 -> CC, 01 -> FE.
TEST(ProtectedText, HandCheckedVector) {
    EXPECT_EQ(EncodeProtectedText("aokc", "ab"), "9ECE9DCD9ECCFE");
    EXPECT_EQ(DecodeProtectedText("9ECE9DCD9ECCFE", "ab"), "aokc");
    // 'y' 0x79 with key 'x' 0x78: XOR 0x01 -> "FE"; 'x' with key 'x': 0x78 0x31 -> "87CE".
    EXPECT_EQ(EncodeProtectedText("yx", "xx"), "FE87CE");
}

TEST(ProtectedText, RoundTrip) {
    const QString asciiKey = QStringLiteral("Quorvix-protected-key");
    // Plain bytes equal to their key byte, then XOR-ing with it to CR, then to LF, each over
    // one full turn of the key.
    QString escapes;
    for (const char16_t mask : {0, 13, 10}) {
        for (const QChar k : asciiKey) {
            escapes += QChar(static_cast<char16_t>(k.unicode() ^ mask));
        }
    }
    const QString longKey = QStringLiteral(
        u"图片下载器的保护密钥0123456789abcdefghijABCDEFGHIJ!#$%&()*+,-./:;<=>?@[]^_`{|}~");
    const QString keys[] = {"k", "ab", asciiKey, longKey};
    const QString plains[] = {
        "",
        escapes,
        QStringLiteral(u"获取相册失败，请检查网络连接。\r\n第二行\t完"),
        QStringLiteral("http://127.0.0.1:8080/photo/g?kw=%1&pn=%2"),
        longKey,
        longKey.repeated(3),
    };
    static const QRegularExpression digits(QStringLiteral("^([0-9A-F]{2})*$"));
    for (const QString& key : keys) {
        for (const QString& plain : plains) {
            SCOPED_TRACE(key.toStdString() + " / " + plain.toStdString());
            const QString protectedText = EncodeProtectedText(plain, key);
            EXPECT_TRUE(digits.match(protectedText).hasMatch());
            const QByteArray stream = StreamOf(protectedText);
            EXPECT_FALSE(stream.contains('\0'));
            EXPECT_FALSE(stream.contains('\n'));
            EXPECT_FALSE(stream.contains('\r'));
            EXPECT_EQ(DecodeProtectedText(protectedText, key), plain);
        }
    }
    // Every byte of the escapes text is written as an escape pair.
    const QByteArray stream = StreamOf(EncodeProtectedText(escapes, asciiKey));
    EXPECT_EQ(stream.size(), escapes.size() * 2);
}

TEST(ProtectedText, DamagedInput) {
    // An odd last digit is ignored; a pair with a non-digit ends the text.
    EXPECT_EQ(DecodeProtectedText("9ECE9DCD9ECCFE9", "ab"), "aokc");
    EXPECT_EQ(DecodeProtectedText("9ECE9DCDXX9ECCFE", "ab"), "ao");
    // An escape cut off at the end gives nothing for it.
    EXPECT_EQ(DecodeProtectedText("9ECE9D", "ab"), "a");
    // Lower-case digits are read like upper-case ones.
    EXPECT_EQ(DecodeProtectedText("9ece9dcd9eccfe", "ab"), "aokc");
    // Without a key there is nothing to decode or encode with.
    EXPECT_EQ(DecodeProtectedText("9ECE9DCD9ECCFE", ""), "");
    EXPECT_EQ(EncodeProtectedText("aokc", ""), "");
}

}  // namespace
