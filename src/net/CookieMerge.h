#pragma once
// Merging one process's cookie changes into the cookie file as it is now, so that two processes
// (the window and a terminal run, say) never wipe each other's logins.

#include <QByteArray>
#include <QList>

// The cookie file's lines after this process's changes: `disk` as the file holds them now,
// `baseline` as this process last read or wrote them, `current` as its store holds them. A
// cookie this process set or changed since the baseline replaces the file's; one it removed is
// removed; every other cookie of the file stays as it is. Cookies are told apart by domain
// (leading dot and letter case ignored), path and name; lines that hold no cookie are dropped.
QList<QByteArray> MergeCookieLines(const QList<QByteArray>& disk, const QList<QByteArray>& baseline,
                                   const QList<QByteArray>& current);
