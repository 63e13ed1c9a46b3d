#include "net/FileLock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>

namespace {

int OpenFor(const QString& path, int flags) {
    const QByteArray name = path.toUtf8();
    return ::open(name.constData(), flags | O_CLOEXEC, 0600);
}

int LockOrClose(int fd, int operation) {
    if (fd < 0) {
        return -1;
    }
    int result = 0;
    do {
        result = ::flock(fd, operation);
    } while (result != 0 && errno == EINTR);
    if (result != 0) {
        const int error = errno;
        ::close(fd);
        errno = error;
        return -1;
    }
    return fd;
}

}  // namespace

FileLock FileLock::Exclusive(const QString& lockFile) {
    return FileLock(LockOrClose(OpenFor(lockFile, O_RDWR | O_CREAT), LOCK_EX));
}

FileLock FileLock::TryFolder(const QString& folder) {
    const int fd = OpenFor(folder, O_RDONLY | O_DIRECTORY);
    if (fd < 0) {
        return FileLock();
    }
    const int locked = LockOrClose(fd, LOCK_EX | LOCK_NB);
    return FileLock(locked, locked < 0 && errno == EWOULDBLOCK);
}

FileLock::~FileLock() {
    if (fd_ >= 0) {
        ::close(fd_);  // releases the lock
    }
}

FileLock::FileLock(FileLock&& other) noexcept : fd_(other.fd_), busy_(other.busy_) {
    other.fd_ = -1;
}

FileLock& FileLock::operator=(FileLock&& other) noexcept {
    if (this != &other) {
        if (fd_ >= 0) {
            ::close(fd_);
        }
        fd_ = other.fd_;
        busy_ = other.busy_;
        other.fd_ = -1;
    }
    return *this;
}
