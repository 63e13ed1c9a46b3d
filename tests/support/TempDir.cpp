#include "support/TempDir.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

TempDir::TempDir() : dir_(QDir::tempPath() + QStringLiteral("/quorvix-test-XXXXXX")) {}

QString TempDir::write(const QString& name, const QByteArray& bytes) const {
    const QString full = file(name);
    QDir().mkpath(QFileInfo(full).absolutePath());
    QFile f(full);
    if (f.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        f.write(bytes);
    }
    return full;
}

QByteArray TempDir::read(const QString& name) const {
    QFile f(file(name));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}
