#include <gtest/gtest.h>

#include "net/URLSource2.h"
#include "support/Compress.h"

namespace {

QByteArray Sample() {
    QByteArray text;
    for (int i = 0; i < 5000; ++i) {
        text += "line " + QByteArray::number(i) + " of the sample page\n";
    }
    return text;
}

TEST(InflateGzip, AcceptsGzipAndZlibHeaders) {
    const QByteArray plain = Sample();
    for (const QByteArray& packed : {GzipBytes(plain), ZlibBytes(plain)}) {
        QByteArray out;
        EXPECT_TRUE(InflateGzip(packed.constData(), packed.size(), out));
        EXPECT_EQ(out, plain);
    }
}

TEST(InflateGzip, TruncatedInputKeepsThePartialOutput) {
    const QByteArray plain = Sample();
    const QByteArray packed = GzipBytes(plain);
    QByteArray out;
    EXPECT_FALSE(InflateGzip(packed.constData(), packed.size() / 2, out));
    EXPECT_GT(out.size(), 0);
    EXPECT_LT(out.size(), plain.size());
    EXPECT_TRUE(plain.startsWith(out));
}

TEST(InflateGzip, RejectsRawDeflateAndGarbage) {
    const QByteArray plain = Sample();
    for (const QByteArray& bad :
         {RawDeflateBytes(plain), QByteArray("plain text, not packed"), QByteArray()}) {
        QByteArray out;
        EXPECT_FALSE(InflateGzip(bad.constData(), bad.size(), out));
        EXPECT_TRUE(out.isEmpty());
    }
}

TEST(InflateGzip, DataErrorAfterGoodOutputKeepsThatOutput) {
    const QByteArray plain = Sample();
    QByteArray packed = GzipBytes(plain);
    packed[packed.size() - 6] = static_cast<char>(packed[packed.size() - 6] ^ 0x55);  // CRC
    QByteArray out;
    EXPECT_FALSE(InflateGzip(packed.constData(), packed.size(), out));
    EXPECT_EQ(out, plain);
}

TEST(InflateGzip, StopsAtTheCap) {
    const QByteArray bomb = GzipBytes(QByteArray(kInflateCap + 1, 'z'));
    QByteArray out;
    EXPECT_FALSE(InflateGzip(bomb.constData(), bomb.size(), out));
    EXPECT_EQ(out.size(), kInflateCap);
}

}  // namespace
