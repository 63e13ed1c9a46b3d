#pragma once
// What every window of the program shares: Qt's own texts in Chinese, like the program's, and
// the program's icon.

class QApplication;

// Names the program (for its settings and its desktop entry), loads Qt's Chinese translations
// (standard buttons, file dialogs) whatever the desktop's locale, and sets the program's icon for
// every window. False when the translations are missing (the
// standard texts then stay English).
bool ApplyAppLook(QApplication& app);
