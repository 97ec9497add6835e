// Picture loading: JPEG and BMP recognised from the content, and damaged or oversized files
// refused with a null image instead of ending the process.

#include "display/image_loader.h"
#include "jpeg_fixture.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <functional>

namespace quendar {
namespace {

using fixture::solidBmp;
using fixture::solidJpeg;

// Sets the width and height of the first start-of-frame segment.
QByteArray withDeclaredSize(QByteArray jpeg, int width, int height) {
    for (qsizetype i = 2; i + 8 < jpeg.size(); ++i) {
        const auto marker = static_cast<uchar>(jpeg[i + 1]);
        if (static_cast<uchar>(jpeg[i]) == 0xFF && (marker == 0xC0 || marker == 0xC2)) {
            jpeg[i + 5] = static_cast<char>(height >> 8);
            jpeg[i + 6] = static_cast<char>(height & 0xFF);
            jpeg[i + 7] = static_cast<char>(width >> 8);
            jpeg[i + 8] = static_cast<char>(width & 0xFF);
            return jpeg;
        }
    }
    return {};
}

QByteArray randomAfterMarker() {
    QByteArray bytes("\xFF\xD8\xFF", 3);
    std::uint32_t x = 12345;
    for (int i = 0; i < 4000; ++i) {
        x = x * 1664525u + 1013904223u;
        bytes.append(static_cast<char>(x >> 24));
    }
    return bytes;
}

QByteArray bmpDeclaring(int width, int height) {
    QByteArray bmp = solidBmp(4, 4, Qt::red);
    const auto put32 = [&](int at, std::int32_t v) {
        for (int i = 0; i < 4; ++i) {
            bmp[at + i] = static_cast<char>((static_cast<std::uint32_t>(v) >> (8 * i)) & 0xFF);
        }
    };
    put32(18, width);
    put32(22, height);
    return bmp;
}

// A 4 x 2 run-length BMP (8 bits, four colours); `cut` drops its end-of-bitmap mark and the
// last row's runs, as a file cut short would.
QByteArray rle8Bmp(bool cut) {
    QByteArray pixels("\x02\x01\x02\x00\x00\x00\x04\x01\x00\x01", 10);
    if (cut) {
        pixels.chop(4);
    }
    const QByteArray palette("\x00\x00\xFF\x00\x00\xFF\x00\x00\xFF\x00\x00\x00\xFF\xFF\xFF\x00",
                             16);
    QByteArray bmp(54, '\0');
    const auto put = [&](int at, std::uint32_t v, int bytes) {
        for (int i = 0; i < bytes; ++i) {
            bmp[at + i] = static_cast<char>((v >> (8 * i)) & 0xFF);
        }
    };
    bmp[0] = 'B';
    bmp[1] = 'M';
    put(2, static_cast<std::uint32_t>(54 + 16 + pixels.size()), 4); // file size
    put(10, 54 + 16, 4);                                            // pixel offset
    put(14, 40, 4);                                                 // header size
    put(18, 4, 4);                                                  // width
    put(22, 2, 4);                                                  // height
    put(26, 1, 2);                                                  // planes
    put(28, 8, 2);                                                  // bits per pixel
    put(30, 1, 4);                                                  // compression: RLE8
    put(34, static_cast<std::uint32_t>(pixels.size()), 4);
    put(46, 4, 4); // colours used
    return bmp + palette + pixels;
}

struct Case {
    const char* name;
    std::function<QByteArray()> bytes;
    QSize expected; // empty: refused
};

const QByteArray& goodJpeg() {
    static const QByteArray bytes = solidJpeg(37, 21, QColor(200, 40, 10));
    return bytes;
}

const Case kCases[] = {
    {"Jpeg", [] { return goodJpeg(); }, QSize(37, 21)},
    {"Bmp", [] { return solidBmp(25, 25, Qt::blue); }, QSize(25, 25)},
    {"TruncatedJpeg", [] { return goodJpeg().left(goodJpeg().size() / 2); }, QSize()},
    {"JpegCutAfterHeader", [] { return goodJpeg().left(200); }, QSize()},
    {"RandomBytesAfterMarker", randomAfterMarker, QSize()},
    {"JpegDeclaring65535Square", [] { return withDeclaredSize(goodJpeg(), 65535, 65535); },
     QSize()},
    {"JpegDeclaringOneSideTooWide",
     [] { return withDeclaredSize(goodJpeg(), kMaxImageSide + 1, 8); }, QSize()},
    {"BmpDeclaringHugeSize", [] { return bmpDeclaring(60000, -60000); }, QSize()},
    {"TruncatedBmp", [] { return solidBmp(25, 25, Qt::blue).left(60); }, QSize()},
    {"RleBmp", [] { return rle8Bmp(false); }, QSize(4, 2)},
    {"RleBmpWithoutEnd", [] { return rle8Bmp(true); }, QSize()},
    {"UnknownFormat", [] { return QByteArray("GIF89a\x01\x00\x01\x00", 10); }, QSize()},
    {"EmptyFile", [] { return QByteArray(); }, QSize()},
};

class ImageLoaderTest : public ::testing::TestWithParam<Case> {};

TEST_P(ImageLoaderTest, DecodesOrRefuses) {
    const Case& c = GetParam();
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    // Every file is named .bmp: the content alone decides the format.
    const QString path = dir.filePath(QStringLiteral("picture.bmp"));
    ASSERT_TRUE(fixture::writeFile(path, c.bytes()));
    const QImage image = loadImage(path);
    if (c.expected.isEmpty()) {
        EXPECT_TRUE(image.isNull());
        return;
    }
    ASSERT_FALSE(image.isNull());
    EXPECT_EQ(image.size(), c.expected);
}

INSTANTIATE_TEST_SUITE_P(Files, ImageLoaderTest, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(ImageLoaderTest, JpegColoursArriveUnswapped) {
    const QImage image = decodeJpeg(solidJpeg(16, 16, QColor(200, 40, 10)));
    ASSERT_FALSE(image.isNull());
    const QColor c = image.pixelColor(8, 8);
    EXPECT_NEAR(c.red(), 200, 4);
    EXPECT_NEAR(c.green(), 40, 4);
    EXPECT_NEAR(c.blue(), 10, 4);
    EXPECT_EQ(c.alpha(), 255);
}

TEST(ImageLoaderTest, MissingFileAndFolderGiveNullImage) {
    EXPECT_TRUE(loadImage(QStringLiteral("/nonexistent/17.jpg")).isNull());
    QTemporaryDir dir;
    EXPECT_TRUE(loadImage(dir.path()).isNull());
}

} // namespace
} // namespace quendar
