#include "gui/SplashScreenEx.h"

#include <QCoreApplication>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPropertyAnimation>
#include <QScreen>
#include <QTimer>
#include <vector>

namespace {
constexpr int FadeInMs = 500;
constexpr int FadeOutMs = 200;
}  // namespace

CSplashScreenEx::CSplashScreenEx()
    : font_(QFontDatabase::systemFont(QFontDatabase::GeneralFont)),
      animate_(WindowSystemHasOpacity()),
      exitAction_([](int code) { QCoreApplication::exit(code); }) {
    setAttribute(Qt::WA_ShowWithoutActivating);
    setFocusPolicy(Qt::ClickFocus);
}

bool CSplashScreenEx::WindowSystemHasOpacity() {
    // Window systems whose windows can be made partly transparent; elsewhere (offscreen,
    // Wayland) the window is shown and hidden at once.
    const QString platform = QGuiApplication::platformName();
    return platform == u"xcb" || platform == u"windows" || platform == u"cocoa";
}

bool CSplashScreenEx::CreateSplashWindow(QWidget* parent, const QString& text) {
    if (parent == nullptr) {
        return false;
    }
    owner_ = parent;
    text_ = text;
    timeoutMs_ = 0;
    style_ = SSX_FADE_IN | SSX_FADE_OUT | SSX_CENTER;
    // A separate top-level window that the parent owns (and deletes with itself).
    setParent(parent, Qt::SplashScreen | Qt::FramelessWindowHint);
    return true;
}

bool CSplashScreenEx::LoadSplashPicture(const QImage& picture) {
    if (picture.isNull()) {
        return false;
    }
    picture_ = picture;
    const int width = picture.width();
    const int height = picture.height();
    textRect_ = QRect(0, 0, width, height);
    if ((style_ & SSX_CENTER) != 0) {
        const QScreen* screen = QGuiApplication::primaryScreen();
        const QRect area = screen != nullptr ? screen->availableGeometry() : QRect();
        position_ =
            area.topLeft() + QPoint((area.width() - width) / 2, (area.height() - height) / 2);
    }
    shape_ = BuildShapeRegion(picture, TransparentColor);
    resize(width, height);
    setMask(shape_);
    update();
    return true;
}

QRegion CSplashScreenEx::BuildShapeRegion(const QImage& picture, QRgb transparent) {
    const QImage image = picture.convertToFormat(QImage::Format_RGB32);
    const QRgb cut = transparent & RGB_MASK;
    std::vector<QRect> runs;
    runs.reserve(40);
    for (int y = image.height() - 1; y >= 0; --y) {
        const auto* row = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        int start = -1;  // first pixel of the open run
        for (int x = 0; x < image.width(); ++x) {
            const bool opaque = (row[x] & RGB_MASK) != cut;
            if (opaque && start < 0) {
                start = x;
            } else if (!opaque && start >= 0) {
                runs.emplace_back(start, y, x - start, 1);
                start = -1;
            }
        }
        if (start >= 0) {
            runs.emplace_back(start, y, image.width() - start, 1);
        }
    }
    QRegion region;
    for (const QRect& run : runs) {
        region += run;
    }
    return region;
}

void CSplashScreenEx::SetSplashFont() {
    QFont font = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    font.setPointSize(10);
    font.setWeight(QFont::Normal);
    font.setItalic(false);
    font.setUnderline(false);
    font_ = font;
    update();
}

void CSplashScreenEx::SetTextRect(const QRect& rect) {
    textRect_ = rect;
    update();
}

void CSplashScreenEx::SetTextRect(int left, int top, int right, int bottom) {
    SetTextRect(QRect(left, top, right - left, bottom - top));
}

void CSplashScreenEx::SetTextColor(const QColor& color) {
    textColor_ = color;
    update();
}

void CSplashScreenEx::SetTextFormat(uint32_t format) {
    textFormat_ = format;
    update();
}

int CSplashScreenEx::TextFlags(uint32_t format) {
    int flags = Qt::TextSingleLine;
    if ((format & TF_CENTER) != 0) {
        flags |= Qt::AlignHCenter;
    } else if ((format & TF_RIGHT) != 0) {
        flags |= Qt::AlignRight;
    } else {
        flags |= Qt::AlignLeft;
    }
    if ((format & TF_VCENTER) != 0) {
        flags |= Qt::AlignVCenter;
    } else if ((format & TF_BOTTOM) != 0) {
        flags |= Qt::AlignBottom;
    } else {
        flags |= Qt::AlignTop;
    }
    return flags;
}

void CSplashScreenEx::ShowSplash() {
    setGeometry(QRect(position_, picture_.size()));
    if ((style_ & SSX_FADE_IN) != 0 && animate_) {
        setWindowOpacity(0.0);
        show();
        fade_ = new QPropertyAnimation(this, "windowOpacity", this);
        fade_->setDuration(FadeInMs);
        fade_->setStartValue(0.0);
        fade_->setEndValue(1.0);
        fade_->start(QAbstractAnimation::DeleteWhenStopped);
    } else {
        show();
    }
    if (timeoutMs_ != 0) {
        hideTimer_ = new QTimer(this);
        hideTimer_->setSingleShot(true);
        connect(hideTimer_, &QTimer::timeout, this, &CSplashScreenEx::HideSplash);
        hideTimer_->start(timeoutMs_);
    }
}

void CSplashScreenEx::HideSplash() {
    if (hiding_) {
        return;
    }
    hiding_ = true;
    if (hideTimer_ != nullptr) {
        hideTimer_->stop();
    }
    if (fade_ != nullptr) {
        fade_->stop();  // an unfinished fade-in
    }
    if ((style_ & SSX_FADE_OUT) != 0 && animate_ && isVisible()) {
        fade_ = new QPropertyAnimation(this, "windowOpacity", this);
        fade_->setDuration(FadeOutMs);
        fade_->setStartValue(windowOpacity());
        fade_->setEndValue(0.0);
        connect(fade_, &QPropertyAnimation::finished, this, &CSplashScreenEx::FinishHiding);
        fade_->start(QAbstractAnimation::DeleteWhenStopped);
    } else {
        FinishHiding();
    }
}

void CSplashScreenEx::FinishHiding() {
    hide();
    emit SplashHidden();
    deleteLater();
}

void CSplashScreenEx::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    painter.drawImage(0, 0, picture_);
    painter.setFont(font_);
    painter.setPen(textColor_);
    painter.setClipRect(textRect_);
    painter.drawText(textRect_, TextFlags(textFormat_), text_);
}

void CSplashScreenEx::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        exitAction_(0);
        return;
    }
    QWidget::keyPressEvent(event);
}

void CSplashScreenEx::mousePressEvent(QMouseEvent* event) {
    // A click gives the splash the keyboard, so that Escape can end the program.
    activateWindow();
    setFocus(Qt::MouseFocusReason);
    QWidget::mousePressEvent(event);
}

QImage CSplashScreenEx::QuorvixSplashPicture() {
    constexpr int Width = 300;
    constexpr int Height = 167;
    QImage image(Width, Height, QImage::Format_RGB32);
    image.fill(TransparentColor);
    QPainter painter(&image);
    // The card is drawn without smoothing so that the cut corners keep exactly the
    // transparent colour and fall out of the window's shape.
    painter.setRenderHint(QPainter::Antialiasing, false);
    QLinearGradient background(0, 0, 0, Height);
    background.setColorAt(0.0, QColor(28, 64, 120));
    background.setColorAt(1.0, QColor(10, 24, 52));
    QPainterPath card;
    card.addRoundedRect(QRectF(0, 0, Width, Height), 14, 14);
    painter.fillPath(card, background);

    painter.setRenderHint(QPainter::Antialiasing, true);
    // Three stacked photo frames in the top right corner.
    const QColor frameColors[] = {QColor(120, 170, 230), QColor(170, 205, 245),
                                  QColor(235, 242, 252)};
    for (int i = 0; i < 3; ++i) {
        painter.save();
        painter.translate(238 + i * 8, 12 + i * 4);
        painter.rotate(-12 + i * 8);
        painter.setPen(QPen(QColor(10, 24, 52), 1));
        painter.setBrush(frameColors[i]);
        painter.drawRect(0, 0, 34, 26);
        painter.restore();
    }
    // Product name and a rule under it.
    QFont title = QGuiApplication::font();
    title.setPixelSize(30);
    title.setBold(true);
    painter.setFont(title);
    painter.setPen(QColor(245, 248, 255));
    painter.drawText(QRect(30, 6, 200, 40), Qt::AlignLeft | Qt::AlignVCenter,
                     QStringLiteral("Quorvix"));
    painter.setPen(QPen(QColor(120, 170, 230), 2));
    painter.drawLine(30, 46, 220, 46);
    painter.end();
    return image.convertToFormat(QImage::Format_RGB888);
}
