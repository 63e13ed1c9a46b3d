// quorvix-cli list, run as a separate process against the fake service.

#include "fakeservice/FakeService.h"
#include "support/CliRun.h"
#include "support/TempDir.h"

#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <gtest/gtest.h>

namespace {

class ListCommand : public ::testing::Test {
protected:
    CliResult List(const QStringList& extra) {
        return RunCli(QStringList{QStringLiteral("list")} + extra +
                          QStringList{QStringLiteral("--settings-dir"), settings.path()},
                      service.proxyUrl());
    }
    TempDir settings;
    FakeService service;
};

TEST_F(ListCommand, PrintsOneLinePerAlbum) {
    const CliResult result = List({QStringLiteral("http://tieba.baidu.com/photo/g?kw=demo")});
    ASSERT_EQ(result.exitCode, 0) << result.err.constData();
    const QStringList lines = QString::fromUtf8(result.out).split(u'\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 8);
    EXPECT_EQ(lines[1], QStringLiteral("0002\t春天的花\t  12\t"));
    EXPECT_TRUE(result.err.contains("获取相册列表完成，共8个"));
    EXPECT_EQ(QFileInfo(settings.file(QStringLiteral("soft.dat"))).size(), 19808);
}

TEST_F(ListCommand, PrintsJson) {
    const CliResult result =
        List({QStringLiteral("--json"),
              QStringLiteral("http://tieba.baidu.com/photo/p?kw=demo&tid=1001")});
    ASSERT_EQ(result.exitCode, 0) << result.err.constData();
    const QJsonArray albums = QJsonDocument::fromJson(result.out).array();
    ASSERT_EQ(albums.size(), 1);
    const QJsonObject album = albums[0].toObject();
    EXPECT_EQ(album[QStringLiteral("index")].toInt(), 1);
    EXPECT_EQ(album[QStringLiteral("name")].toString(), QStringLiteral("手机相册"));
    EXPECT_EQ(album[QStringLiteral("key")].toString(),
              QStringLiteral("http://tieba.baidu.com/photo/p?kw=demo&tid=1001"));
    EXPECT_EQ(album[QStringLiteral("count")].toInt(), -1);
}

// Names from pages once reached the terminal raw: "ESC ]0;title BEL" retitled it, "ESC [31m"
// coloured it.
TEST_F(ListCommand, ControlCharactersOfNamesAreShownAsEscapes) {
    const CliResult table = List({QStringLiteral("http://tieba.baidu.com/photo/g?kw=hostile")});
    ASSERT_EQ(table.exitCode, 0) << table.err.constData();
    const QString text = QString::fromUtf8(table.out);
    for (const QChar c : text) {
        const char16_t unit = c.unicode();
        const bool control = (unit < 0x20 && unit != u'\n' && unit != u'\t') || unit == 0x7F ||
                             (unit >= 0x80 && unit <= 0x9F);
        ASSERT_FALSE(control) << "control character " << unsigned(unit);
    }
    EXPECT_TRUE(text.contains(QStringLiteral("\\x01\\x1b]0;title\\x1b[31mred\\x1b[0m_name\\x7f")))
        << table.out.constData();

    // JSON keeps the names exact.
    const CliResult json = List(
        {QStringLiteral("--json"), QStringLiteral("http://tieba.baidu.com/photo/g?kw=hostile")});
    bool found = false;
    for (const QJsonValue& album : QJsonDocument::fromJson(json.out).array()) {
        found = found || album.toObject()[QStringLiteral("name")].toString().contains(
                             QStringLiteral("\x01\x1b]0;title\x1b[31m"));
    }
    EXPECT_TRUE(found);
}

TEST_F(ListCommand, ExitStatuses) {
    EXPECT_EQ(List({QStringLiteral("http://tieba.baidu.com/photo/g?kw=nothing-here")}).exitCode, 2);
    EXPECT_EQ(List({QStringLiteral("tieba.baidu.com/photo/g?kw=demo")}).exitCode, 1);
    EXPECT_EQ(List({}).exitCode, 1);
    EXPECT_EQ(List({QStringLiteral("--bogus"), QStringLiteral("http://x/")}).exitCode, 1);
    const CliResult help = RunCli({QStringLiteral("list"), QStringLiteral("--help")}, QString());
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_TRUE(help.out.contains("--settings-dir"));
    EXPECT_TRUE(help.out.contains("--json"));
}

}  // namespace
