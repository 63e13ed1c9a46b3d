#pragma once
// Text rules that keep names usable as Linux file-name components: valid UTF-16, no leading dot,
// at most 255 bytes of UTF-8, cut only between characters.

#include <QString>
#include <QStringView>

// The longest file-name component a Linux file system takes, in bytes of UTF-8.
constexpr qsizetype kNameMaxBytes = 255;
// Bytes of the ".lst" and ".txt" extensions of the files named after an album; album folder
// names leave room for them too.
constexpr qsizetype kListExtensionBytes = 4;

// Replaces lone surrogate halves and NUL characters by U+FFFD: neither can be written to the
// file system as a name.
void ReplaceInvalidUnits(QString& text);
// Drops leading dots and white space, which would make a hidden file or no name at all.
void StripLeadingDots(QString& text);
// Length of the text in UTF-8 bytes (a lone surrogate counts as the three bytes of U+FFFD).
qsizetype Utf8Length(QStringView text);
// Keeps at most maxUnits UTF-16 units without splitting a surrogate pair.
void CutToUnits(QString& text, qsizetype maxUnits);
// Keeps the longest start of the text whose UTF-8 form has at most maxBytes bytes, cut between
// characters.
void CutToUtf8Bytes(QString& text, qsizetype maxBytes);
