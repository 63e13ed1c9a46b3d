#pragma once
#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

// A temporary folder for one test, removed afterwards. path() ends with "/".
class TempDir {
public:
    TempDir();
    QString path() const { return dir_.path() + QLatin1Char('/'); }
    QString file(const QString& name) const { return path() + name; }
    // Writes bytes to a file below the folder (creating sub-folders) and returns its path.
    QString write(const QString& name, const QByteArray& bytes) const;
    // Reads a file below the folder; empty when missing.
    QByteArray read(const QString& name) const;

private:
    QTemporaryDir dir_;
};
