#pragma once
#include <QString>

// The clipboard's plain text, or empty text.
QString GetClipboardText();
