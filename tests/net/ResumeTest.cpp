// Pictures cut off on the way are kept with their validator and continued by the next request:
// against servers that honour ranges, ignore them, change the picture meanwhile, or give no
// validator, the file under the final name is always exactly the picture served last.

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>

#include <atomic>
#include <memory>

#include "NetTestSupport.h"
#include "net/PartialFile.h"
#include "net/URLSource2.h"
#include "support/HttpServer.h"
#include "support/TempDir.h"

namespace {

QByteArray Picture(char fill) {
    return QByteArray("\xFF\xD8", 2) + QByteArray(20000, fill) + QByteArray("\xFF\xD9", 2);
}

enum class Host {
    Honours,
    Ignores,
    Changes,
    NoValidator,
    RefusesRanges,
    WrongRange,    // its 206 starts elsewhere
    ShortChunk,    // its 206 ends before the picture does
    CutAfterLast,  // the first answer breaks off after its last byte: the partial is whole
};

// The first answer sends half the picture and resets; later ones answer as the host does.
class ResumeHost {
public:
    explicit ResumeHost(Host kind)
        : kind_(kind), server_([this](const HttpRequest& request, HttpExchange& exchange) {
              Handle(request, exchange);
          }) {}
    QString Url() const { return server_.url(QStringLiteral("/p.jpg")); }
    // As if the first answer (the one cut off) had been given already.
    void SkipFirstAnswer() { ++requests_; }
    QByteArray Served() const { return kind_ == Host::Changes ? Picture('b') : Picture('a'); }
    HttpServer& server() { return server_; }

private:
    void Handle(const HttpRequest& request, HttpExchange& exchange) {
        const bool first = ++requests_ == 1;
        const QByteArray picture = first || kind_ != Host::Changes ? Picture('a') : Picture('b');
        HttpHeaders headers;
        if (kind_ != Host::NoValidator) {
            headers.push_back({"ETag", first || kind_ != Host::Changes ? "\"v1\"" : "\"v2\""});
        }
        if (kind_ == Host::RefusesRanges) {
            headers.push_back({"Accept-Ranges", "none"});
        }
        if (first) {
            QByteArray head =
                "HTTP/1.1 200 OK\r\nContent-Length: " + QByteArray::number(picture.size()) + "\r\n";
            for (const auto& [name, value] : headers) {
                head += name + ": " + value + "\r\n";
            }
            const qsizetype sent =
                kind_ == Host::CutAfterLast ? picture.size() : picture.size() / 2;
            exchange.sendRaw(head + "\r\n" + picture.left(sent));
            exchange.reset();
            return;
        }
        if (kind_ == Host::CutAfterLast) {
            exchange.respond(416, "range not satisfiable",
                             {{"Content-Range", "bytes */" + QByteArray::number(picture.size())}});
            return;
        }
        const QByteArray range = request.header("Range");
        const bool matches = request.header("If-Range") == "\"v1\"" && kind_ != Host::Changes;
        if (!range.isEmpty() && matches && kind_ != Host::Ignores) {
            const qsizetype from = range.mid(6).chopped(1).toLongLong();
            const qsizetype start = kind_ == Host::WrongRange ? from - 100 : from;
            const qsizetype end = kind_ == Host::ShortChunk ? start + 1000 : picture.size();
            headers.push_back({"Content-Range", "bytes " + QByteArray::number(start) + "-" +
                                                    QByteArray::number(end - 1) + "/" +
                                                    QByteArray::number(picture.size())});
            exchange.respond(206, picture.mid(start, end - start), headers);
            return;
        }
        exchange.respond(200, picture, headers);
    }

    const Host kind_;
    std::atomic<int> requests_{0};
    HttpServer server_;  // last: stops before the members its handler uses
};

UrlRequest PictureRequest(const QString& url, const QString& savePath) {
    UrlRequest request = QuickRequest(url, 5000);
    request.savePath = savePath;
    request.failOnHttpError = true;
    request.resume = true;
    return request;
}

TEST(Resume, CutOffPictureIsContinuedAndEndsExactlyAsServed) {
    struct Case {
        const char* what;
        Host host;
        bool kept;         // the partial survives the cut-off
        bool asksRange;    // the second request asks for the missing bytes
        bool secondSaves;  // the second request saves the picture
    };
    const Case cases[] = {
        {"honours ranges", Host::Honours, true, true, true},
        {"ignores ranges", Host::Ignores, true, true, true},
        {"picture changed meanwhile", Host::Changes, true, true, true},
        {"no validator", Host::NoValidator, false, false, true},
        {"refuses ranges", Host::RefusesRanges, false, false, true},
        {"wrong Content-Range", Host::WrongRange, true, true, false},
        {"a 206 that ends early", Host::ShortChunk, true, true, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ResumeHost host(c.host);
        TempDir dir;
        const QString target = dir.file(QStringLiteral("p.jpg"));
        const PartialFile partial(target);
        UrlResponse first;
        EXPECT_FALSE(FetchUrl(PictureRequest(host.Url(), target), first, 3));
        EXPECT_EQ(first.errorKind, FetchError::Reset);
        EXPECT_EQ(QFile::exists(partial.path()), c.kept);
        EXPECT_EQ(QFile::exists(partial.validatorPath()), c.kept);
        EXPECT_EQ(first.partialBytes, c.kept ? Picture('a').size() / 2 : 0);
        EXPECT_FALSE(QFile::exists(target));

        UrlResponse second;
        EXPECT_EQ(FetchUrl(PictureRequest(host.Url(), target), second, 3), c.secondSaves)
            << second.error.toStdString();
        const HttpRequest asked = host.server().lastRequest();
        EXPECT_EQ(asked.hasHeader("Range"), c.asksRange);
        if (c.asksRange) {
            EXPECT_EQ(asked.header("Range"),
                      "bytes=" + QByteArray::number(Picture('a').size() / 2) + "-");
            EXPECT_EQ(asked.header("If-Range"), "\"v1\"");
        }
        if (c.secondSaves) {
            EXPECT_EQ(dir.read(QStringLiteral("p.jpg")), host.Served());
            EXPECT_EQ(second.bodyLength, host.Served().size());
        } else {
            EXPECT_FALSE(QFile::exists(target));
        }
        // Nothing but the picture (or nothing at all) is left.
        const QStringList left = QDir(dir.path()).entryList(QDir::Files);
        EXPECT_EQ(left, c.secondSaves ? QStringList{QStringLiteral("p.jpg")} : QStringList());
    }
}

// A stop that came just after a picture's last byte left the whole picture behind as a partial,
// to be fetched again by the next run.
TEST(Resume, StopAfterTheLastByteSavesThePicture) {
    const auto cancel = std::make_shared<std::atomic_bool>(false);
    HttpServer server([&cancel](const HttpRequest&, HttpExchange& exchange) {
        const QByteArray picture = Picture('a');
        exchange.sendRaw("HTTP/1.1 200 OK\r\nETag: \"v1\"\r\nContent-Length: " +
                         QByteArray::number(picture.size()) + "\r\n\r\n" + picture);
        cancel->store(true);  // the stop, as the last byte is on its way
    });
    TempDir dir;
    UrlRequest request = PictureRequest(server.url(QStringLiteral("/p.jpg")), dir.file("p.jpg"));
    request.cancel = cancel;
    UrlResponse response;
    EXPECT_TRUE(FetchUrl(request, response, 3)) << response.error.toStdString();
    EXPECT_EQ(dir.read(QStringLiteral("p.jpg")), Picture('a'));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("p.jpg")});
}

// A process killed after a picture's last byte, before the rename, left the whole picture as its
// partial; the server answers the range request with 416, and the partial is the picture.
TEST(Resume, PartialThatIsAlreadyWholeIsSaved) {
    ResumeHost host(Host::CutAfterLast);
    TempDir dir;
    const QString target = dir.file(QStringLiteral("p.jpg"));
    const PartialFile partial(target);
    dir.write(QStringLiteral("p.jpg.quorvix-part"), Picture('a'));
    dir.write(QStringLiteral("p.jpg.quorvix-validator"),
              ValidatorFileContent({"\"v1\"", host.Url().toUtf8()}));
    host.SkipFirstAnswer();
    UrlResponse response;
    ASSERT_TRUE(FetchUrl(PictureRequest(host.Url(), target), response, 3))
        << response.error.toStdString();
    EXPECT_EQ(dir.read(QStringLiteral("p.jpg")), Picture('a'));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("p.jpg")});
}

// A partial is continued only from the address it came from: not from a fallback address,
// not after the album's names moved on to other pictures.
TEST(Resume, PartialOfAnotherAddressIsNotContinued) {
    ResumeHost host(Host::Honours);
    TempDir dir;
    const QString target = dir.file(QStringLiteral("p.jpg"));
    UrlResponse response;
    EXPECT_FALSE(FetchUrl(PictureRequest(host.Url(), target), response, 3));
    ASSERT_GT(response.partialBytes, 0);
    ASSERT_TRUE(
        FetchUrl(PictureRequest(host.Url() + QStringLiteral("?other"), target), response, 3));
    EXPECT_FALSE(host.server().lastRequest().hasHeader("Range"));
    EXPECT_EQ(dir.read(QStringLiteral("p.jpg")), Picture('a'));
}

TEST(Resume, SizeLimitsHoldForTheWholePicture) {
    ResumeHost host(Host::Honours);
    TempDir dir;
    const QString target = dir.file(QStringLiteral("p.jpg"));
    UrlResponse response;
    EXPECT_FALSE(FetchUrl(PictureRequest(host.Url(), target), response, 3));
    // The missing half alone would pass a limit of 15 KiB; the whole picture does not.
    UrlRequest limited = PictureRequest(host.Url(), target);
    limited.maxSizeKb = 15;
    EXPECT_FALSE(FetchUrl(limited, response, 3));
    EXPECT_EQ(response.errorKind, FetchError::OverSizeLimit);
    EXPECT_TRUE(QDir(dir.path()).entryList(QDir::Files).isEmpty());
}

TEST(Resume, PartialWithoutValidatorIsStartedAfresh) {
    ResumeHost host(Host::Honours);
    TempDir dir;
    const QString target = dir.file(QStringLiteral("p.jpg"));
    const PartialFile partial(target);
    dir.write(QStringLiteral("p.jpg.quorvix-part"), "left by an older run");
    host.server().setHandler([](const HttpRequest&, HttpExchange& exchange) {
        exchange.respond(200, Picture('a'), {{"ETag", "\"v1\""}});
    });
    UrlResponse response;
    ASSERT_TRUE(FetchUrl(PictureRequest(host.Url(), target), response, 3));
    EXPECT_FALSE(host.server().lastRequest().hasHeader("Range"));
    EXPECT_EQ(dir.read(QStringLiteral("p.jpg")), Picture('a'));
    EXPECT_FALSE(QFile::exists(partial.validatorPath()));
}

TEST(Resume, HeaderTextsAreReadStrictly) {
    const std::pair<const char*, bool> ranges[] = {
        {"bytes 100-199/200", true}, {"bytes 0-0/1", true},
        {"bytes 5-9/*", true},       {"bytes 100-199/150", false},
        {"bytes 9-5/20", false},     {"bytes -5/20", false},
        {"bytes 1-2", false},        {"items 1-2/3", false},
        {"bytes 1-2/3x", false},     {"bytes 99999999999999999999-1/2", false},
    };
    for (const auto& [text, valid] : ranges) {
        EXPECT_EQ(ParseContentRange(text).has_value(), valid) << text;
    }
    EXPECT_EQ(ParseContentRange("bytes 100-199/200")->total, 200);

    const std::pair<const char*, const char*> validators[] = {
        {"ETag: \"abc\"\r\nLast-Modified: Mon\r\n", "\"abc\""},
        {"etag: W/\"weak\"\r\nLast-Modified: Mon, 01 Jan 2024\r\n", "Mon, 01 Jan 2024"},
        {"ETag: \"abc\"\r\nAccept-Ranges: none\r\n", ""},
        {"Content-Type: image/jpeg\r\n", ""},
    };
    for (const auto& [block, validator] : validators) {
        EXPECT_EQ(ResumeValidator(block), QByteArray(validator)) << block;
    }
    const std::optional<KeptValidator> kept =
        ParseValidatorFile(ValidatorFileContent({"\"abc\"", "http://h/p.jpg"}));
    ASSERT_TRUE(kept.has_value());
    EXPECT_EQ(kept->validator, QByteArray("\"abc\""));
    EXPECT_EQ(kept->address, QByteArray("http://h/p.jpg"));
    EXPECT_FALSE(
        ParseValidatorFile("quorvix-validator 2\n\"a\"\r\nRange: x\nhttp://h/\n").has_value());
    EXPECT_FALSE(ParseValidatorFile("something else\n").has_value());
}

}  // namespace
