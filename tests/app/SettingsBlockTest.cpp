// The "soft.dat" image: byte layout, text fields and the two histories.
#include <gtest/gtest.h>

#include <QStringList>

#include "app/SettingsBlock.h"

namespace {

// The file layout worked out by hand: 24 x 8 bytes of download parameters, 24 x 484 bytes of
// naming rules (six texts of 80 bytes, flags word, two mode bytes), then two histories of
// 5 x 800 bytes.
int ParamsAt(int kind) {
    return kind * 8;
}
int RuleAt(int kind) {
    return 192 + kind * 484;
}
int AddressAt(int entry) {
    return 11808 + entry * 800;
}
int SavePathAt(int entry) {
    return 15808 + entry * 800;
}

void Put16(QByteArray& image, int offset, uint16_t value) {
    image[offset] = static_cast<char>(value & 0xFF);
    image[offset + 1] = static_cast<char>(value >> 8);
}

void PutText(QByteArray& image, int offset, const QString& text) {
    for (qsizetype i = 0; i < text.size(); ++i) {
        Put16(image, offset + static_cast<int>(i) * 2, text.at(i).unicode());
    }
}

QString Repeat(QChar c, int count) {
    return QString(count, c);
}

TEST(SettingsImage, EmptyBlockIsAllZeroAndFullSize) {
    const QByteArray image = EncodeSettings(SettingsBlock{});
    EXPECT_EQ(image, QByteArray(19808, '\0'));
}

TEST(SettingsImage, HandMadeImageDecodesAndEncodesByteIdentical) {
    QByteArray image(19808, '\0');
    Put16(image, ParamsAt(5), 100);
    Put16(image, ParamsAt(5) + 2, 5000);
    Put16(image, ParamsAt(5) + 4, 7);
    Put16(image, ParamsAt(5) + 6, 45);
    PutText(image, RuleAt(3), QStringLiteral("图片_"));
    PutText(image, RuleAt(3) + 160, QStringLiteral("a|b"));
    PutText(image, RuleAt(3) + 240, QStringLiteral("甲|乙"));
    Put16(image, RuleAt(3) + 480, 0x0141);
    image[RuleAt(3) + 482] = 2;
    image[RuleAt(3) + 483] = 1;
    PutText(image, RuleAt(23) + 400, QStringLiteral("尾😀"));
    PutText(image, AddressAt(0), QStringLiteral("http://tieba.baidu.com/f?kw=%E5%9B%BE"));
    PutText(image, AddressAt(4), QStringLiteral("最后一个"));
    PutText(image, SavePathAt(2), QStringLiteral("/home/u/图片/"));
    PutText(image, SavePathAt(4), Repeat(QLatin1Char('p'), 399));  // ends 2 bytes before the end

    const SettingsBlock block = DecodeSettings(image);
    EXPECT_EQ(block.downloadParams[5].minSizeKb, 100);
    EXPECT_EQ(block.downloadParams[5].maxSizeKb, 5000);
    EXPECT_EQ(block.downloadParams[5].threadCount, 7);
    EXPECT_EQ(block.downloadParams[5].timeoutSec, 45);
    EXPECT_EQ(block.saveRules[3].filePrefix, QStringLiteral("图片_"));
    EXPECT_EQ(block.saveRules[3].fileSuffix, QString());
    EXPECT_EQ(block.saveRules[3].replaceFrom, QStringLiteral("a|b"));
    EXPECT_EQ(block.saveRules[3].replaceTo, QStringLiteral("甲|乙"));
    EXPECT_EQ(block.saveRules[3].optionFlags,
              OPT_FIX_FORMAT | OPT_SKIP_DOWNLOADED | OPT_DESCRIPTION_IMAGES);
    EXPECT_EQ(block.saveRules[3].fileNameMode, FILE_NAME_ADDRESS);
    EXPECT_EQ(block.saveRules[3].albumNameMode, ALBUM_NAME_NONE);
    EXPECT_EQ(block.saveRules[23].albumSuffix, QStringLiteral("尾😀"));
    EXPECT_EQ(block.saveRules[23].albumPrefix, QString());
    EXPECT_EQ(block.addressHistory[0], QStringLiteral("http://tieba.baidu.com/f?kw=%E5%9B%BE"));
    EXPECT_EQ(block.addressHistory[1], QString());
    EXPECT_EQ(block.addressHistory[4], QStringLiteral("最后一个"));
    EXPECT_EQ(block.savePathHistory[2], QStringLiteral("/home/u/图片/"));
    EXPECT_EQ(block.savePathHistory[4], Repeat(QLatin1Char('p'), 399));

    EXPECT_EQ(EncodeSettings(block), image);
}

TEST(SettingsImage, FieldWithoutTerminatorKeepsAllUnitsAndIsWrittenTerminated) {
    QByteArray image(19808, '\0');
    PutText(image, RuleAt(0), Repeat(QLatin1Char('x'), 40));  // fills the field completely
    PutText(image, RuleAt(0) + 80, QStringLiteral("y"));
    const SettingsBlock block = DecodeSettings(image);
    EXPECT_EQ(block.saveRules[0].filePrefix, Repeat(QLatin1Char('x'), 40));
    EXPECT_EQ(block.saveRules[0].fileSuffix, QStringLiteral("y"));

    QByteArray expected = image;
    Put16(expected, RuleAt(0) + 78, 0);
    EXPECT_EQ(EncodeSettings(block), expected);
}

TEST(SettingsImage, OverlongTextsKeepWhatFitsBeforeTheTerminator) {
    const QString emoji = QStringLiteral("😀");  // two UTF-16 units
    struct Case {
        QString text;
        QString stored;
    };
    const Case cases[] = {
        {Repeat(QLatin1Char('a'), 38), Repeat(QLatin1Char('a'), 38)},
        {Repeat(QLatin1Char('a'), 39), Repeat(QLatin1Char('a'), 39)},
        {Repeat(QLatin1Char('a'), 40), Repeat(QLatin1Char('a'), 39)},
        {Repeat(QLatin1Char('a'), 55), Repeat(QLatin1Char('a'), 39)},
        {Repeat(QLatin1Char('a'), 37) + emoji, Repeat(QLatin1Char('a'), 37) + emoji},
        // The cut would fall inside the pair: the whole character goes.
        {Repeat(QLatin1Char('a'), 38) + emoji, Repeat(QLatin1Char('a'), 38)},
    };
    for (const Case& c : cases) {
        SettingsBlock block;
        block.saveRules[9].replaceTo = c.text;
        block.saveRules[9].albumPrefix = QStringLiteral("next");
        const QByteArray image = EncodeSettings(block);
        ASSERT_EQ(image.size(), 19808);
        const SettingsBlock back = DecodeSettings(image);
        EXPECT_EQ(back.saveRules[9].replaceTo, c.stored) << c.text.size();
        EXPECT_EQ(back.saveRules[9].albumPrefix, QStringLiteral("next")) << c.text.size();
    }

    SettingsBlock block;
    block.addressHistory[4] = Repeat(QLatin1Char('h'), 450);
    block.savePathHistory[0] = QStringLiteral("after");
    const QByteArray image = EncodeSettings(block);
    EXPECT_EQ(image.mid(AddressAt(4) + 798, 2), QByteArray(2, '\0'));
    const SettingsBlock back = DecodeSettings(image);
    EXPECT_EQ(back.addressHistory[4], Repeat(QLatin1Char('h'), 399));
    EXPECT_EQ(back.savePathHistory[0], QStringLiteral("after"));
}

TEST(SettingsImage, ShortImageReadsAsFarAsItGoes) {
    const SettingsBlock block = DecodeSettings(QByteArray("\x01\x02\x03", 3));
    EXPECT_EQ(block.downloadParams[0].minSizeKb, 0x0201);
    EXPECT_EQ(block.downloadParams[0].maxSizeKb, 0x0003);
    EXPECT_EQ(block.downloadParams[0].threadCount, 0);
    EXPECT_EQ(EncodeSettings(DecodeSettings(QByteArray())), QByteArray(19808, '\0'));
}

TEST(SettingsImage, LongerImageIsReadUpToTheBlockSize) {
    QByteArray image(19808, '\0');
    PutText(image, SavePathAt(4), QStringLiteral("end"));
    const QByteArray longer = image + QByteArray(600, '\x41');
    const SettingsBlock block = DecodeSettings(longer);
    EXPECT_EQ(block.savePathHistory[4], QStringLiteral("end"));
    EXPECT_EQ(EncodeSettings(block), image);
}

// Entries A..E with A the newest.
SettingsBlock WithAddresses(const QStringList& newestFirst) {
    SettingsBlock block;
    for (qsizetype i = newestFirst.size() - 1; i >= 0; --i) {
        EXPECT_TRUE(AddHistoryEntry(block, HISTORY_ADDRESSES, newestFirst.at(i)));
    }
    return block;
}

std::array<QString, 5> Entries(const QStringList& list) {
    std::array<QString, 5> entries;
    for (int i = 0; i < 5 && i < list.size(); ++i) {
        entries[i] = list.at(i);
    }
    return entries;
}

TEST(HistoryEntries, NewestFirstAndSixthPushesOldestOut) {
    SettingsBlock block;
    for (const char* text : {"a1", "a2", "a3", "a4", "a5", "a6"}) {
        EXPECT_TRUE(AddHistoryEntry(block, HISTORY_ADDRESSES, QString::fromLatin1(text)));
    }
    EXPECT_EQ(block.addressHistory, Entries({"a6", "a5", "a4", "a3", "a2"}));
    EXPECT_EQ(block.savePathHistory, Entries({}));
}

TEST(HistoryEntries, RejectedTextsChangeNothing) {
    const QStringList start = {"http://a/1", "http://a/2", "http://a/3", "http://Album.com/X",
                               "http://a/5"};
    const QString cases[] = {
        QStringLiteral("HTTP://ALBUM.COM/x"),  // entry 3, other letter case
        QStringLiteral("http://a/1"),          // entry 0 exactly
        Repeat(QLatin1Char('z'), 400),        Repeat(QLatin1Char('z'), 1000), QString(),
    };
    for (const QString& text : cases) {
        SettingsBlock block = WithAddresses(start);
        EXPECT_FALSE(AddHistoryEntry(block, HISTORY_ADDRESSES, text))
            << text.left(20).toStdString();
        EXPECT_EQ(block.addressHistory, Entries(start));
    }
}

TEST(HistoryEntries, LongestTextFitsAndListsAreSeparate) {
    SettingsBlock block;
    const QString longest = Repeat(QLatin1Char('z'), 399);
    EXPECT_TRUE(AddHistoryEntry(block, HISTORY_SAVE_FOLDERS, longest));
    EXPECT_TRUE(AddHistoryEntry(block, HISTORY_ADDRESSES, longest));  // the other list
    EXPECT_FALSE(AddHistoryEntry(block, 2, QStringLiteral("x")));
    EXPECT_EQ(block.savePathHistory, Entries({longest}));
    EXPECT_EQ(block.addressHistory, Entries({longest}));
    EXPECT_EQ(DecodeSettings(EncodeSettings(block)).savePathHistory[0], longest);
}

}  // namespace
