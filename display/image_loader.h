#pragma once
// Loads the BMP and JPEG pictures of the assets folder. The format is recognised from the file's
// content; JPEG goes through libjpeg directly, BMP through Qt. Never ends the process, never
// shows a message.

#include <QImage>
#include <QString>

namespace quendar {

/// Largest width or height a picture may declare; larger ones are refused before decoding.
inline constexpr int kMaxImageSide = 8192;

/// Decodes the picture at `path`; a null image when the file is missing, unreadable, of an
/// unknown format, corrupt, truncated or declares an absurd size.
[[nodiscard]] QImage loadImage(const QString& path);

} // namespace quendar
