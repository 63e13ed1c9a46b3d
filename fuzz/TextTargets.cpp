// Fuzz entries of the text module.

#include "FuzzEntries.h"
#include "FuzzInput.h"

#include "text/StringCtrl.h"

#include <QStringList>

namespace {

constexpr uint8_t kUnitsBit = 0x80;  // texts of the input are raw UTF-16 units

bool HasNul(const QString& text) {
    return text.contains(QChar(0));
}

// What no cleaned name may hold.
bool HasForbiddenCharacter(const QString& text) {
    for (const QChar c : text) {
        switch (c.unicode()) {
            case u'\r':
            case u'\n':
            case u'\t':
            case u'\\':
            case u'/':
            case u':':
            case u'*':
            case u'?':
            case u'"':
            case u'<':
            case u'>':
            case u'|':
            case 0x0007:
                return true;
            default:
                break;
        }
    }
    return false;
}

}  // namespace

void FuzzTextMarkers(const uint8_t* data, size_t size) {
    FuzzInput in(data, size);
    const uint8_t flags = in.Byte();
    const bool units = flags & kUnitsBit;
    const QString text = in.Text(units);
    const QString first = in.Text(units);
    const QString second = in.Text(units);

    {
        QString rest = text;
        const QString value = ExtractBetween(rest, first, second, flags & 3);
        FUZZ_CHECK(text.contains(value));
        FUZZ_CHECK(text.endsWith(rest));
    }
    {
        QString rest = text;
        const qsizetype at = SkipPast(rest, first, flags & 4);
        FUZZ_CHECK(at < 0 ? rest == text : text.endsWith(rest));
        FUZZ_CHECK(at < 0 || text.mid(at).startsWith(first));
    }
    {
        QString head = text;
        const qsizetype at = CutAt(head, first);
        FUZZ_CHECK(text.startsWith(head));
        FUZZ_CHECK(at < 0 ? head == text : head.size() == at);
    }
    const qsizetype count = CountOccurrences(text, first);
    FUZZ_CHECK(count == 0 || count * first.size() <= text.size());
    QStringList pieces;
    const qsizetype splits = SplitByMarker(text, first, pieces);
    FUZZ_CHECK(splits == count);
    if (splits > 0) {
        FUZZ_CHECK(pieces.size() == splits + 1);
        FUZZ_CHECK(pieces.join(first) == text);
    } else {
        FUZZ_CHECK(pieces.isEmpty());
    }
    QString replaced = text;
    ReplaceList(replaced, first, second);
}

void FuzzTextDecoding(const uint8_t* data, size_t size) {
    FuzzInput in(data, size);
    const uint8_t flags = in.Byte();
    const QByteArray bytes = in.Rest();
    const QString text = flags & kUnitsBit ? UnitsText(bytes) : QString::fromUtf8(bytes);

    QString decoded = text;
    DecodeHtmlEntities(decoded);
    FUZZ_CHECK(decoded.size() <= text.size());
    const QString unescaped = UnescapeUnicode(text);
    FUZZ_CHECK(unescaped.size() <= text.size());
    FUZZ_CHECK(HasNul(text) || !HasNul(unescaped));

    for (const int codePage :
         {int{CP_ANSI}, int{CP_GBK}, int{CP_BIG5}, int{CP_EUC_KR}, int{CP_UTF8}, 1252}) {
        const QString wide = BytesToWide(bytes, codePage);
        FUZZ_CHECK(!HasNul(wide));
        FUZZ_CHECK(wide.size() <= bytes.size());
    }
    const QByteArray gbk = WideToGbk(text);
    FUZZ_CHECK(!gbk.contains('\0'));
    FUZZ_CHECK(gbk.size() <= text.size() * 2);
    const QString ansi = AnsiToWide(bytes.constData());  // QByteArray data ends with a zero
    FUZZ_CHECK(!HasNul(ansi));
    IsUtf8Text(bytes);
    FUZZ_CHECK(PercentDecodeBytes(bytes).size() <= bytes.size());

    qint64 second = 0;
    for (int i = 0; i < 8 && i < bytes.size(); ++i) {
        second = second << 8 | static_cast<unsigned char>(bytes[i]);
    }
    const QString token = MakeRandomTokenForSecond(second);
    FUZZ_CHECK(token.size() == 19 && token.endsWith(QLatin1Char('\n')));
}

void FuzzProtectedText(const uint8_t* data, size_t size) {
    FuzzInput in(data, size);
    const bool units = in.Byte() & kUnitsBit;
    const QString key = in.Text(units);
    const QString input = in.RestText(units);

    // Damaged or foreign input decodes to something; whatever it gives survives a round trip in
    // the form its GBK bytes give.
    const QString plain = DecodeProtectedText(input, key);
    const QString encoded = EncodeProtectedText(plain, key);
    for (const QChar c : encoded) {
        FUZZ_CHECK((c >= u'0' && c <= u'9') || (c >= u'A' && c <= u'F'));
    }
    FUZZ_CHECK(encoded.size() % 2 == 0);
    FUZZ_CHECK(DecodeProtectedText(encoded, key) == BytesToWide(WideToGbk(plain), CP_GBK));
    // A text of the program's own survives as its GBK form.
    FUZZ_CHECK(DecodeProtectedText(EncodeProtectedText(input, key), key) ==
                   BytesToWide(WideToGbk(input), CP_GBK) ||
               WideToGbk(key).isEmpty());
}

void FuzzUrlUnescape(const uint8_t* data, size_t size) {
    FuzzInput in(data, size);
    const QString text = in.RestText(in.Byte() & kUnitsBit);
    const qsizetype gbkBytes = WideToGbk(text).size();
    for (const bool asUtf8 : {true, false}) {
        const QString plain = UrlUnescape(text, asUtf8);
        FUZZ_CHECK(!HasNul(plain));
        FUZZ_CHECK(plain.size() <= gbkBytes);
    }
}

void FuzzCleanFileName(const uint8_t* data, size_t size) {
    FuzzInput in(data, size);
    const uint8_t flags = in.Byte();
    unsigned fallbackNumber = in.Byte();
    if (flags & 1) {
        fallbackNumber = 0xFFFF;  // the time-stamp fallback
    }
    const bool useFallback = flags & 2;
    QString name = in.RestText(flags & kUnitsBit);
    CleanFileName(name, fallbackNumber, useFallback);

    FUZZ_CHECK(!HasForbiddenCharacter(name));
    FUZZ_CHECK(name == name.trimmed());
    FUZZ_CHECK(!name.startsWith(QLatin1Char('.')) && !name.endsWith(QLatin1Char('.')));
    if (useFallback) {
        FUZZ_CHECK(!name.isEmpty() && name.size() < 1000);
    }
}
