#include "display/image_loader.h"

#include <QFile>

#include <csetjmp>
#include <cstdio> // jpeglib.h needs FILE and size_t declared first

#include <jpeglib.h>

namespace quendar {
namespace {

bool sizeAcceptable(std::int64_t width, std::int64_t height) {
    return width > 0 && height > 0 && width <= kMaxImageSide && height <= kMaxImageSide &&
           width * height <= kMaxImagePixels;
}

// libjpeg's own error handler calls exit(); this one jumps back into decodeJpeg instead.
struct JpegError {
    jpeg_error_mgr mgr;
    std::jmp_buf jump;
};

[[noreturn]] void jumpOnError(j_common_ptr cinfo) {
    std::longjmp(reinterpret_cast<JpegError*>(cinfo->err)->jump, 1);
}

// Warnings (level -1) mean corrupt or truncated data; such a picture is refused rather than shown
// half grey. Trace messages are dropped, as is all output to stderr.
void jumpOnWarning(j_common_ptr cinfo, int msgLevel) {
    if (msgLevel < 0) {
        std::longjmp(reinterpret_cast<JpegError*>(cinfo->err)->jump, 1);
    }
}

void silent(j_common_ptr) {}

// Everything the decoder touches lives here, outside the frame that calls setjmp, so nothing it
// needs after a longjmp is an automatic variable changed since the setjmp.
struct JpegJob {
    jpeg_decompress_struct cinfo{};
    JpegError error{};
    QImage image;
};

// No object with a destructor may live in this frame after setjmp: a longjmp would skip it.
bool runDecoder(JpegJob& job, const QByteArray& data) {
    if (setjmp(job.error.jump) != 0) {
        return false;
    }
    jpeg_mem_src(&job.cinfo, reinterpret_cast<const unsigned char*>(data.constData()),
                 static_cast<unsigned long>(data.size()));
    if (jpeg_read_header(&job.cinfo, TRUE) != JPEG_HEADER_OK) {
        return false;
    }
    if (!sizeAcceptable(job.cinfo.image_width, job.cinfo.image_height)) {
        return false;
    }
    // Straight into QImage's 0xffRRGGBB layout: no conversion pass afterwards.
    job.cinfo.out_color_space = (Q_BYTE_ORDER == Q_LITTLE_ENDIAN) ? JCS_EXT_BGRX : JCS_EXT_XRGB;
    jpeg_start_decompress(&job.cinfo);
    job.image = QImage(static_cast<int>(job.cinfo.output_width),
                       static_cast<int>(job.cinfo.output_height), QImage::Format_RGB32);
    if (job.image.isNull()) {
        return false;
    }
    uchar* const bits = job.image.bits();
    const qsizetype stride = job.image.bytesPerLine();
    while (job.cinfo.output_scanline < job.cinfo.output_height) {
        JSAMPROW rows[16];
        const JDIMENSION left = job.cinfo.output_height - job.cinfo.output_scanline;
        const JDIMENSION count = left < 16 ? left : 16;
        for (JDIMENSION i = 0; i < count; ++i) {
            rows[i] = bits + (job.cinfo.output_scanline + i) * stride;
        }
        jpeg_read_scanlines(&job.cinfo, rows, count);
    }
    jpeg_finish_decompress(&job.cinfo);
    return true;
}

bool looksLikeJpeg(const QByteArray& data) {
    return data.size() >= 3 && static_cast<uchar>(data[0]) == 0xFF &&
           static_cast<uchar>(data[1]) == 0xD8 && static_cast<uchar>(data[2]) == 0xFF;
}

std::int32_t readLe32(const QByteArray& data, qsizetype at) {
    const auto b = [&](qsizetype i) {
        return static_cast<std::uint32_t>(static_cast<uchar>(data[at + i]));
    };
    return static_cast<std::int32_t>(b(0) | (b(1) << 8) | (b(2) << 16) | (b(3) << 24));
}

std::int32_t readLe16(const QByteArray& data, qsizetype at) {
    return static_cast<uchar>(data[at]) | (static_cast<uchar>(data[at + 1]) << 8);
}

// Run-length data has no fixed size, and Qt decodes a stream cut short as a picture filled up
// with the background: the stream must reach its end-of-bitmap mark inside the file.
bool rleComplete(const QByteArray& data, qsizetype at, bool fourBit) {
    const qsizetype size = data.size();
    while (at + 2 <= size) {
        const int count = static_cast<uchar>(data[at]);
        const int code = static_cast<uchar>(data[at + 1]);
        at += 2;
        if (count != 0 || code == 0) {
            continue; // a run, or the end of a row
        }
        if (code == 1) {
            return true; // end of the bitmap
        }
        if (code == 2) {
            at += 2; // a jump: two offset bytes follow
            continue;
        }
        // Absolute mode: `code` pixels follow, padded to an even number of bytes.
        const qsizetype bytes = fourBit ? (code + 1) / 2 : code;
        at += bytes + (bytes & 1);
    }
    return false;
}

// Checks the size a BMP declares before Qt allocates for it, and that an uncompressed one holds
// all its rows: Qt's reader would show a cut-off file half filled. Height is negative for
// top-down bitmaps; the old 12-byte core header holds 16-bit sizes.
bool bmpAcceptable(const QByteArray& data) {
    if (data.size() < 30) {
        return false;
    }
    const std::int64_t pixelOffset = static_cast<std::uint32_t>(readLe32(data, 10));
    const std::int32_t headerSize = readLe32(data, 14);
    std::int64_t width = 0;
    std::int64_t height = 0;
    std::int64_t bitsPerPixel = 0;
    std::int32_t compression = 0;
    if (headerSize == 12) {
        width = readLe16(data, 18);
        height = readLe16(data, 20);
        bitsPerPixel = readLe16(data, 24);
    } else {
        if (data.size() < 34) {
            return false;
        }
        width = readLe32(data, 18);
        height = readLe32(data, 22);
        bitsPerPixel = readLe16(data, 28);
        compression = readLe32(data, 30);
    }
    height = height < 0 ? -height : height;
    if (!sizeAcceptable(width, height)) {
        return false;
    }
    constexpr std::int32_t kRgb = 0;
    constexpr std::int32_t kRle8 = 1;
    constexpr std::int32_t kRle4 = 2;
    constexpr std::int32_t kBitfields = 3;
    if (compression == kRle8 || compression == kRle4) {
        return rleComplete(data, static_cast<qsizetype>(pixelOffset), compression == kRle4);
    }
    if (compression != kRgb && compression != kBitfields) {
        return true; // Qt refuses the other kinds itself
    }
    const std::int64_t stride = (width * bitsPerPixel + 31) / 32 * 4;
    return pixelOffset + stride * height <= data.size();
}

} // namespace

QImage decodeJpeg(const QByteArray& data) {
    JpegJob job;
    job.cinfo.err = jpeg_std_error(&job.error.mgr);
    job.error.mgr.error_exit = jumpOnError;
    job.error.mgr.emit_message = jumpOnWarning;
    job.error.mgr.output_message = silent;
    jpeg_create_decompress(&job.cinfo);
    const bool ok = runDecoder(job, data);
    jpeg_destroy_decompress(&job.cinfo);
    return ok ? std::move(job.image) : QImage();
}

QImage decodeImage(const QByteArray& data) {
    if (looksLikeJpeg(data)) {
        return decodeJpeg(data);
    }
    if (data.startsWith("BM") && bmpAcceptable(data)) {
        QImage image;
        if (image.loadFromData(data, "BMP")) {
            return image;
        }
    }
    return QImage();
}

QImage loadImage(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || file.size() > kMaxImageFileBytes) {
        return QImage();
    }
    // size() is 0 for devices and pipes; reading one byte past the cap tells those apart too.
    const QByteArray data = file.read(kMaxImageFileBytes + 1);
    if (data.size() > kMaxImageFileBytes) {
        return QImage();
    }
    return decodeImage(data);
}

} // namespace quendar
