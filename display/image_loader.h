#pragma once
// Loads the BMP and JPEG pictures of the assets folder. The format is recognised from the file's
// content; JPEG goes through libjpeg directly, BMP through Qt. Never ends the process, never
// shows a message.

#include <QByteArray>
#include <QImage>
#include <QString>

#include <cstdint>

namespace quendar {

/// Largest width or height a picture may declare; larger ones are refused before decoding.
inline constexpr int kMaxImageSide = 8192;
/// Largest number of pixels a picture may declare (64 MiB at four bytes a pixel).
inline constexpr std::int64_t kMaxImagePixels = std::int64_t{16} * 1024 * 1024;
/// Largest file that is read at all.
inline constexpr std::int64_t kMaxImageFileBytes = std::int64_t{32} * 1024 * 1024;

/// Decodes the picture at `path`; a null image when the file is missing, unreadable, too large,
/// of an unknown format, corrupt, truncated or declares an absurd size.
[[nodiscard]] QImage loadImage(const QString& path);

/// Decodes a picture held in memory, as loadImage does for a file's content.
[[nodiscard]] QImage decodeImage(const QByteArray& data);

/// Decodes JPEG bytes with libjpeg into Format_RGB32; a null image on any error or warning
/// (corrupt or truncated data) and for a declared size beyond the limits above.
[[nodiscard]] QImage decodeJpeg(const QByteArray& data);

} // namespace quendar
