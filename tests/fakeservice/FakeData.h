#pragma once
// The data sets of the fake service, chosen by the forum or user name. Albums and pictures are
// made on demand, so a set of thousands of albums costs nothing until a page asks for them.

#include <QString>

struct FakeAlbum {
    QString name;    // as the page shows it (may hold an entity, "/" or "..")
    QString sign;    // album-service key: "<set>/<number>"
    qint64 tid = 0;  // forum thread id: 1001, 1002, ...
    int pictureCount = 0;
    bool locked = false;  // album-service pictures only with the cookie "verified=1"
};

struct FakePicture {
    QString id;     // forum picture id; also the album-service file name
    QString descr;  // may be empty
};

class FakeDataSet {
public:
    enum class Kind { Empty, Demo, Generated, Repeat, Private, Faults, OnePage };

    // "demo", "gen-<A>x<P>", "repeat", "private", "faults", "onepage-<A>"; anything else is
    // empty.
    static FakeDataSet ByName(const QString& name);
    // The set that an album-service sign ("<set>/<number>") belongs to.
    static FakeDataSet BySign(const QString& sign);

    Kind kind() const { return kind_; }
    const QString& name() const { return name_; }
    int albumCount() const;
    // Albums shown in the home page's mobile-album data; the JSON album list holds the others.
    int homeAlbumCount() const;
    // Listings that reach their end keep answering their last page (or wrap around).
    bool repeats() const { return kind_ == Kind::Repeat; }
    // The whole wall on its first page, whatever the page size asked for.
    bool onePage() const { return kind_ == Kind::OnePage; }

    FakeAlbum album(int index) const;
    int albumIndexBySign(const QString& sign) const;  // -1 when unknown
    int albumIndexByTid(qint64 tid) const;            // -1 when unknown
    FakePicture picture(int albumIndex, int pictureIndex) const;
    int pictureIndexById(int albumIndex, const QString& id) const;  // -1 when unknown

private:
    Kind kind_ = Kind::Empty;
    QString name_;
    int generatedAlbums_ = 0;
    int generatedPictures_ = 0;
};
