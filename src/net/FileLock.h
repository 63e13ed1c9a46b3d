#pragma once
// Advisory locks between processes (flock): held while the object lives, released when it goes
// or the process ends, so a killed process never leaves one behind.

#include <QString>

class FileLock {
public:
    // Locks the file (made when missing), waiting while another process holds it.
    static FileLock Exclusive(const QString& lockFile);
    // Locks the folder itself, without waiting: not held, and busy, when another process holds
    // it; not held and not busy when the folder cannot be opened at all.
    static FileLock TryFolder(const QString& folder);

    FileLock() = default;
    ~FileLock();
    FileLock(FileLock&& other) noexcept;
    FileLock& operator=(FileLock&& other) noexcept;
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;

    bool held() const { return fd_ >= 0; }
    bool busy() const { return busy_; }

private:
    explicit FileLock(int fd, bool busy = false) : fd_(fd), busy_(busy) {}
    int fd_ = -1;
    bool busy_ = false;
};
