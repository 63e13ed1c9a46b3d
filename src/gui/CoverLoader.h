#pragma once
// Cover thumbnails of the preview layout: each cover is fetched by the network thread into the
// cache folder ("tmp/<album index>.jpg"); the owner's thread is told whether it holds a picture.

#include <QObject>
#include <QString>

#include <atomic>
#include <memory>

class CoverLoader : public QObject {
    Q_OBJECT

public:
    explicit CoverLoader(const QString& folder, QObject* parent = nullptr);
    ~CoverLoader() override;

    // Fetches the cover of an album; Loaded follows (ok false when it failed or is no picture).
    void Request(int index, const QString& cover);
    // Abandons every fetch in flight; their results are dropped.
    void CancelAll();
    int Pending() const { return pending_; }

Q_SIGNALS:
    void Loaded(int index, bool ok);
    void AllDone();

private:
    void Arrived(int index, bool ok, const QString& path,
                 const std::shared_ptr<std::atomic_bool>& cancel);

    // What the network thread's callbacks reach this object through: cleared (under its lock)
    // when the object goes, so no callback posts to a destroyed object.
    struct Mailbox;

    const QString folder_;
    std::shared_ptr<Mailbox> mailbox_;
    std::shared_ptr<std::atomic_bool> cancel_;
    int pending_ = 0;
};
