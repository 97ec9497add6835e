#include "display/image_loader.h"

namespace quendar {

// Placeholder until the panel work lands: BMP only.
QImage loadImage(const QString& path) {
    return QImage(path, "BMP");
}

} // namespace quendar
