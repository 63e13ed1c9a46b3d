#pragma once
// Text for a terminal: what came from pages or file names may hold control characters that
// would retitle, recolour or scroll the user's terminal; they are shown as visible escapes.

#include <QString>

// C0 controls, DEL and C1 controls become "\xHH" (a TAB too), lone surrogate halves "\uHHHH".
// Line feeds stay when keepLineFeeds is set (the program's own multi-line messages).
QString TerminalSafe(const QString& text, bool keepLineFeeds = false);
