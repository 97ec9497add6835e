// Fuzzes the picture loader on bytes held in memory: any input decodes to a null image or to a
// picture within the size limits, without a crash, a leak, a longjmp across live objects or an
// allocation beyond those limits. JPEG goes through libjpeg, BMP through Qt (no application
// object is needed for either).

#include "display/image_loader.h"
#include "fuzz_common.h"

#include <QByteArray>
#include <QImage>

namespace quendar::fuzz {
namespace {

void checkDecoded(const QImage& image) {
    if (image.isNull()) {
        return;
    }
    FUZZ_CHECK(image.width() > 0 && image.height() > 0);
    FUZZ_CHECK(image.width() <= kMaxImageSide && image.height() <= kMaxImageSide);
    FUZZ_CHECK(std::int64_t{image.width()} * image.height() <= kMaxImagePixels);
    // Touch the corners: a picture that claims a size must hold its pixels.
    (void)image.pixel(0, 0);
    (void)image.pixel(image.width() - 1, image.height() - 1);
}

void run(const QByteArray& data) {
    const QImage image = decodeImage(data);
    checkDecoded(image);
    const bool jpeg = data.size() >= 3 && static_cast<uchar>(data[0]) == 0xFF &&
                      static_cast<uchar>(data[1]) == 0xD8 && static_cast<uchar>(data[2]) == 0xFF;
    if (jpeg) {
        // Content decides: a JPEG decodes the same way through either door, always as RGB32.
        const QImage direct = decodeJpeg(data);
        FUZZ_CHECK(direct.isNull() == image.isNull());
        FUZZ_CHECK(direct.isNull() || direct.format() == QImage::Format_RGB32);
        FUZZ_CHECK(direct.isNull() || direct.size() == image.size());
    } else if (!data.startsWith("BM")) {
        FUZZ_CHECK(image.isNull());
    }
}

} // namespace
} // namespace quendar::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // fromRawData: no copy, and the fuzzer's own buffer bounds stay the ones ASan watches.
    const QByteArray bytes =
        QByteArray::fromRawData(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    quendar::fuzz::run(bytes);
    return 0;
}
