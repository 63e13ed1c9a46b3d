// The splash window: its shape, text placement, showing and hiding, and Escape.

#include <QGuiApplication>
#include <QPointer>
#include <QScreen>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

#include "gui/SplashScreenEx.h"

namespace {

constexpr QRgb Cut = CSplashScreenEx::TransparentColor;

// A picture from rows of '#' (opaque) and '.' (the transparent colour).
QImage Picture(const QStringList& rows) {
    QImage image(rows[0].size(), rows.size(), QImage::Format_RGB888);
    for (int y = 0; y < rows.size(); ++y) {
        for (int x = 0; x < rows[y].size(); ++x) {
            image.setPixel(x, y, rows[y][x] == u'.' ? Cut : qRgb(10, 20, 30));
        }
    }
    return image;
}

TEST(SplashTest, ShapeIsTheRunsOfNonTransparentPixels) {
    struct Case {
        QStringList rows;
        QRegion expected;
    };
    const Case cases[] = {
        {{"#.##", "....", "###."}, QRegion(0, 0, 1, 1) + QRegion(2, 0, 2, 1) + QRegion(0, 2, 3, 1)},
        {{"....", "...."}, QRegion()},
        {{"##", "##"}, QRegion(0, 0, 2, 2)},
        {{".#.#."}, QRegion(1, 0, 1, 1) + QRegion(3, 0, 1, 1)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.rows.join('/').toStdString());
        EXPECT_EQ(CSplashScreenEx::BuildShapeRegion(Picture(c.rows), Cut), c.expected);
    }
}

TEST(SplashTest, ShapeComparesColourOnly) {
    QImage image(2, 1, QImage::Format_ARGB32);
    image.setPixel(0, 0, qRgba(212, 120, 120, 0));  // transparent colour, other alpha
    image.setPixel(1, 0, qRgb(212, 120, 121));
    EXPECT_EQ(CSplashScreenEx::BuildShapeRegion(image, Cut), QRegion(1, 0, 1, 1));
}

TEST(SplashTest, TextFormatMapsToOneLineAlignment) {
    struct Case {
        uint32_t format;
        int flags;
    };
    const Case cases[] = {
        {21, Qt::AlignHCenter | Qt::AlignVCenter},
        {20, Qt::AlignLeft | Qt::AlignVCenter},
        {0, Qt::AlignLeft | Qt::AlignTop},
        {2 | 8, Qt::AlignRight | Qt::AlignBottom},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.format);
        EXPECT_EQ(CSplashScreenEx::TextFlags(c.format), c.flags | Qt::TextSingleLine);
    }
}

TEST(SplashTest, OwnPictureIs24BitWithCutCorners) {
    const QImage picture = CSplashScreenEx::QuorvixSplashPicture();
    EXPECT_EQ(picture.size(), QSize(300, 167));
    EXPECT_EQ(picture.depth(), 24);
    const QRegion shape = CSplashScreenEx::BuildShapeRegion(picture, Cut);
    for (const QPoint corner : {QPoint(0, 0), QPoint(299, 0), QPoint(0, 166), QPoint(299, 166)}) {
        EXPECT_FALSE(shape.contains(corner));
    }
    EXPECT_TRUE(shape.contains(QRect(14, 14, 272, 139)));
}

class SplashWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        splash = new CSplashScreenEx;
        ASSERT_TRUE(splash->CreateSplashWindow(&owner, QStringLiteral("正在启动")));
    }
    QWidget owner;
    QPointer<CSplashScreenEx> splash;
};

TEST_F(SplashWindowTest, CreateNeedsAnOwnerAndSetsTheSystemStyle) {
    CSplashScreenEx orphan;
    EXPECT_FALSE(orphan.CreateSplashWindow(nullptr, QStringLiteral("x")));
    EXPECT_EQ(splash->Style(), 11u);
    EXPECT_EQ(splash->Timeout(), 0);
    EXPECT_TRUE(splash->isWindow());
    EXPECT_EQ(splash->parentWidget(), &owner);
    EXPECT_TRUE(splash->windowFlags() & Qt::FramelessWindowHint);
}

TEST_F(SplashWindowTest, PictureGivesSizeTextRectCentreAndShape) {
    const QImage picture = Picture({"#.##", "....", "###."});
    ASSERT_TRUE(splash->LoadSplashPicture(picture));
    EXPECT_EQ(splash->TextRect(), QRect(0, 0, 4, 3));
    const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
    EXPECT_EQ(splash->Position(),
              area.topLeft() + QPoint((area.width() - 4) / 2, (area.height() - 3) / 2));
    EXPECT_EQ(splash->mask(), CSplashScreenEx::BuildShapeRegion(picture, Cut));
    EXPECT_FALSE(splash->LoadSplashPicture(QImage()));
}

TEST_F(SplashWindowTest, ShowsAndHidesAtOnceWithoutAnimation) {
    splash->SetAnimationAvailable(false);
    ASSERT_TRUE(splash->LoadSplashPicture(CSplashScreenEx::QuorvixSplashPicture()));
    splash->ShowSplash();
    EXPECT_TRUE(splash->isVisible());
    EXPECT_EQ(splash->geometry(), QRect(splash->Position(), QSize(300, 167)));
    QSignalSpy hidden(splash.data(), &CSplashScreenEx::SplashHidden);
    splash->HideSplash();
    EXPECT_EQ(hidden.count(), 1);
    EXPECT_FALSE(splash->isVisible());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(splash.isNull());
}

TEST_F(SplashWindowTest, FadesOutBeforeHiding) {
    splash->SetAnimationAvailable(true);
    ASSERT_TRUE(splash->LoadSplashPicture(CSplashScreenEx::QuorvixSplashPicture()));
    splash->ShowSplash();
    EXPECT_LT(splash->windowOpacity(), 1.0);  // fading in
    QSignalSpy hidden(splash.data(), &CSplashScreenEx::SplashHidden);
    splash->HideSplash();
    EXPECT_TRUE(splash->isVisible());  // still fading out
    ASSERT_TRUE(hidden.wait(5000));
    EXPECT_EQ(hidden.count(), 1);
}

TEST_F(SplashWindowTest, TimeOutHidesTheWindow) {
    splash->SetAnimationAvailable(false);
    ASSERT_TRUE(splash->LoadSplashPicture(CSplashScreenEx::QuorvixSplashPicture()));
    splash->SetTimeout(20);
    QSignalSpy hidden(splash.data(), &CSplashScreenEx::SplashHidden);
    splash->ShowSplash();
    ASSERT_TRUE(hidden.wait(5000));
}

TEST(SplashTest, TextIsClippedToOneLineInItsRectangle) {
    QWidget owner;
    auto* splash = new CSplashScreenEx;
    // A long text with a line break stays on one line inside the rectangle.
    ASSERT_TRUE(splash->CreateSplashWindow(&owner, QStringLiteral("WWWWWWWWWWWWWWWWWWWW\nWWWW")));
    QImage black(120, 60, QImage::Format_RGB888);
    black.fill(Qt::black);
    ASSERT_TRUE(splash->LoadSplashPicture(black));
    splash->SetSplashFont();
    splash->SetTextRect(10, 20, 70, 40);
    splash->SetTextColor(Qt::white);
    splash->SetTextFormat(20);
    const QImage shot = splash->grab().toImage().convertToFormat(QImage::Format_RGB32);
    const QRect rect(10, 20, 60, 20);
    int lit = 0;
    for (int y = 0; y < shot.height(); ++y) {
        for (int x = 0; x < shot.width(); ++x) {
            if (qGray(shot.pixel(x, y)) > 40) {
                EXPECT_TRUE(rect.contains(x, y)) << x << "," << y;
                ++lit;
            }
        }
    }
    EXPECT_GT(lit, 0);
}

TEST_F(SplashWindowTest, EscapeEndsTheProgramWithCodeZero) {
    std::vector<int> codes;
    splash->SetExitAction([&codes](int code) { codes.push_back(code); });
    QTest::keyClick(splash.data(), Qt::Key_A);
    EXPECT_TRUE(codes.empty());
    QTest::keyClick(splash.data(), Qt::Key_Escape);
    EXPECT_EQ(codes, std::vector<int>{0});
}

}  // namespace
