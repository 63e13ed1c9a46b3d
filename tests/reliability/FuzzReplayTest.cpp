// Replays every seed of fuzz/corpus/<entry>/ and every saved crash input of
// fuzz/regressions/<entry>/ through its fuzz entry, so what the fuzzers found stays fixed in the
// ordinary suite (built with any compiler, no libFuzzer needed).

#include "FuzzEntries.h"
#include "FuzzInput.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

// Shown in test listings and messages instead of the entry's bytes.
void PrintTo(const FuzzEntry& entry, std::ostream* out) {
    *out << entry.name;
}

namespace {

void RecordBrokenProperty(const char* property, const char* file, int line) {
    ADD_FAILURE_AT(file, line) << "property broken: " << property;
}

class FuzzReplay : public ::testing::TestWithParam<FuzzEntry> {
protected:
    void SetUp() override { SetFuzzFailureHandler(&RecordBrokenProperty); }
    void TearDown() override { SetFuzzFailureHandler(nullptr); }

    // Feeds every file of fuzz/<kind>/<entry>/ to the entry; returns how many there were.
    int ReplayFolder(const char* kind) {
        const QDir dir(QStringLiteral(QUORVIX_FUZZ_DIR "/%1/%2")
                           .arg(QLatin1String(kind), QLatin1String(GetParam().name)));
        int count = 0;
        for (const QString& name : dir.entryList(QDir::Files, QDir::Name)) {
            QFile file(dir.filePath(name));
            EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << name.toStdString();
            const QByteArray bytes = file.readAll();
            SCOPED_TRACE(QStringLiteral("%1/%2").arg(QLatin1String(kind), name).toStdString());
            GetParam().run(reinterpret_cast<const uint8_t*>(bytes.constData()),
                           static_cast<size_t>(bytes.size()));
            ++count;
        }
        return count;
    }
};

TEST_P(FuzzReplay, SeedsAndSavedCrashInputs) {
    EXPECT_GT(ReplayFolder("corpus"), 0) << "every fuzz entry has seeds";
    ReplayFolder("regressions");
}

TEST_P(FuzzReplay, EmptyAndTinyInputs) {
    for (const QByteArray& bytes : {QByteArray(), QByteArray(1, '\0'), QByteArray(1, '\xFF'),
                                    QByteArray("\0\0\0\0\0\0\0\0\0\0", 10)}) {
        GetParam().run(reinterpret_cast<const uint8_t*>(bytes.constData()),
                       static_cast<size_t>(bytes.size()));
    }
}

INSTANTIATE_TEST_SUITE_P(Entries, FuzzReplay, ::testing::ValuesIn(FuzzEntries()),
                         [](const ::testing::TestParamInfo<FuzzEntry>& info) {
                             return std::string(info.param.name);
                         });

}  // namespace
