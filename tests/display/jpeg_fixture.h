#pragma once
// Writes small JPEG and BMP fixture pictures for the display tests, with libjpeg's compressor so
// the tests do not depend on Qt's image plugins.

#include <QBuffer>
#include <QByteArray>
#include <QColor>
#include <QFile>
#include <QImage>
#include <QString>

#include <cstdio>
#include <cstdlib>
#include <vector>

#include <jpeglib.h>

namespace quendar::fixture {

/// A baseline JPEG of one colour.
inline QByteArray solidJpeg(int width, int height, QColor color) {
    jpeg_compress_struct cinfo{};
    jpeg_error_mgr err{};
    cinfo.err = jpeg_std_error(&err);
    jpeg_create_compress(&cinfo);
    unsigned char* out = nullptr;
    unsigned long outSize = 0;
    jpeg_mem_dest(&cinfo, &out, &outSize);
    cinfo.image_width = static_cast<JDIMENSION>(width);
    cinfo.image_height = static_cast<JDIMENSION>(height);
    cinfo.input_components = 3;
    cinfo.in_color_space = JCS_RGB;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, 95, TRUE);
    jpeg_start_compress(&cinfo, TRUE);
    std::vector<unsigned char> row(static_cast<std::size_t>(width) * 3);
    for (int x = 0; x < width; ++x) {
        row[static_cast<std::size_t>(x) * 3 + 0] = static_cast<unsigned char>(color.red());
        row[static_cast<std::size_t>(x) * 3 + 1] = static_cast<unsigned char>(color.green());
        row[static_cast<std::size_t>(x) * 3 + 2] = static_cast<unsigned char>(color.blue());
    }
    while (cinfo.next_scanline < cinfo.image_height) {
        JSAMPROW rows[1] = {row.data()};
        jpeg_write_scanlines(&cinfo, rows, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    QByteArray bytes(reinterpret_cast<const char*>(out), static_cast<qsizetype>(outSize));
    std::free(out);
    return bytes;
}

/// A BMP of one colour, through Qt's built-in writer.
inline QByteArray solidBmp(int width, int height, QColor color) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(color);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "BMP");
    return bytes;
}

/// Writes `bytes` to `path`; false on failure.
inline bool writeFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

} // namespace quendar::fixture
