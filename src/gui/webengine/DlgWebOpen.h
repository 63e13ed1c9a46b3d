#pragma once
// The login browser window: an address box, an open button and a browser. The user logs in to a
// service there and closes the window; the cookies its pages set reach the fetcher's cookie
// store, so every later request carries the login.

#include <QDialog>
#include <QString>

class QLineEdit;
class QPushButton;
class QWebEngineView;

class CDlgWebOpen : public QDialog {
    Q_OBJECT

public:
    explicit CDlgWebOpen(QWidget* parent = nullptr);

    // The address opened at once when the window starts (before it is shown). When empty, the
    // clipboard's text goes into the address box and nothing is opened.
    void SetStartAddress(const QString& url) { startAddress_ = url; }
    // Sets up the window for showing: centred on its owner, start address opened.
    void Prepare();
    // Opens the text of the address box.
    void OnOpen();

    QWebEngineView* browser() const { return browser_; }

protected:
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void PlaceControls();

    QString startAddress_;
    QLineEdit* address_ = nullptr;       // 1001
    QPushButton* open_ = nullptr;        // 1026
    QWebEngineView* browser_ = nullptr;  // 1025
};
