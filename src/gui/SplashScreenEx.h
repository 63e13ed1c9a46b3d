#pragma once
// Borderless start-up window: a picture shaped by its transparent colour, with a line of text.
// It fades in when shown, fades out when hidden and then deletes itself.

#include <QColor>
#include <QFont>
#include <QImage>
#include <QPointer>
#include <QPropertyAnimation>
#include <QRect>
#include <QRegion>
#include <QWidget>
#include <cstdint>
#include <functional>

class QTimer;

class CSplashScreenEx : public QWidget {
    Q_OBJECT
public:
    // Style bits.
    static constexpr uint32_t SSX_FADE_IN = 1;   // fade in when shown
    static constexpr uint32_t SSX_FADE_OUT = 2;  // fade out when hidden
    static constexpr uint32_t SSX_CENTER = 8;    // centre the window on the screen

    // Text format bits: horizontal and vertical placement. The text is always drawn on one
    // line; other bits (0x10 in the usual values 21 and 20) change nothing.
    static constexpr uint32_t TF_CENTER = 0x01;
    static constexpr uint32_t TF_RIGHT = 0x02;
    static constexpr uint32_t TF_VCENTER = 0x04;
    static constexpr uint32_t TF_BOTTOM = 0x08;

    // Colour of the picture's pixels that are cut out of the window's shape.
    static constexpr QRgb TransparentColor = 0xFFD47878;  // RGB(212, 120, 120)

    CSplashScreenEx();

    // Makes this a frameless splash window owned by parent (which must exist), with the
    // system's style 11 and no automatic hiding. Returns whether the window exists.
    bool CreateSplashWindow(QWidget* parent, const QString& text);
    // Takes the picture: window size, text rectangle (the whole picture), centred position
    // and the window shape (the picture without its TransparentColor pixels).
    bool LoadSplashPicture(const QImage& picture);
    // The default sans font at 10 points, normal weight.
    void SetSplashFont();
    void SetTextRect(const QRect& rect);
    // Rectangle given by its edges, right and bottom excluded: (30, 50, 291, 160).
    void SetTextRect(int left, int top, int right, int bottom);
    void SetTextColor(const QColor& color);
    void SetTextFormat(uint32_t format);
    void SetStyle(uint32_t style) { style_ = style; }
    void SetTimeout(int milliseconds) { timeoutMs_ = milliseconds; }

    // Places and shows the window without activating it; fades in with SSX_FADE_IN.
    void ShowSplash();
    // Stops the auto-hide timer and hides the window (fading out with SSX_FADE_OUT); when it
    // is hidden, SplashHidden is emitted and the object deletes itself later.
    void HideSplash();

    // Whether showing and hiding are animated; by default when the window system supports
    // window opacity.
    void SetAnimationAvailable(bool available) { animate_ = available; }
    // What Escape does (by default ends the program with the code given).
    void SetExitAction(std::function<void(int)> action) { exitAction_ = std::move(action); }

    QString Text() const { return text_; }
    QRect TextRect() const { return textRect_; }
    QColor TextColor() const { return textColor_; }
    uint32_t TextFormat() const { return textFormat_; }
    uint32_t Style() const { return style_; }
    int Timeout() const { return timeoutMs_; }
    QPoint Position() const { return position_; }
    QImage Picture() const { return picture_; }

    // The window shape of a picture: every pixel whose colour is not transparent, collected
    // as one-pixel-high runs per row, bottom row first.
    static QRegion BuildShapeRegion(const QImage& picture, QRgb transparent);
    // Qt alignment and text flags for a text format (always one line, clipped to the
    // rectangle): 21 is centred, 20 left-aligned and vertically centred.
    static int TextFlags(uint32_t format);
    // The program's own splash picture: 300 x 167, 24 bits per pixel, corners in
    // TransparentColor.
    static QImage QuorvixSplashPicture();

signals:
    void SplashHidden();

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    static bool WindowSystemHasOpacity();
    void FinishHiding();

    QPointer<QWidget> owner_;
    QImage picture_;
    QFont font_;
    QRegion shape_;
    uint32_t style_ = 0;
    int timeoutMs_ = 2000;
    QString text_;
    QRect textRect_;
    uint32_t textFormat_ = 21;  // centred both ways
    QColor textColor_ = Qt::black;
    QPoint position_;
    bool animate_;
    bool hiding_ = false;
    QTimer* hideTimer_ = nullptr;
    QPointer<QPropertyAnimation> fade_;  // the running fade, if any
    std::function<void(int)> exitAction_;
};
