// Draws every picture of the assets folder: the seven-segment digits, dash, blank and unit
// pictures of the speed panel, the logo, the four button pictures and the window icon.
// Usage: quendar-make-assets <dir>
// The output depends only on this code, Qt and the Liberation Sans font files, so running it
// again reproduces the committed pictures.

#include <QColor>
#include <QDir>
#include <QFont>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>
#include <QRadialGradient>
#include <QString>
#include <QTransform>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <vector>

namespace {

// Natural sizes: large enough to stay crisp in a maximised window 1920 pixels wide, with the
// aspect ratios of the fields the panel scales them into (digit 2.97:3.9, unit 2.97:4.34).
constexpr int kPanelHeight = 660;
constexpr int kDigitWidth = 502;
constexpr int kUnitWidth = 452;
constexpr int kBezel = 16;
constexpr int kJpegQuality = 90;
constexpr int kButtonSize = 25;
constexpr int kIconSize = 33;
constexpr int kLogoWidth = 383;
constexpr int kLogoHeight = 32;

// The digit box inside a digit picture, in unslanted coordinates.
constexpr double kDigitBoxWidth = 300.0;
constexpr double kDigitBoxHeight = 496.0;
constexpr double kDigitTop = (kPanelHeight - kDigitBoxHeight) / 2.0;
constexpr double kSegmentThickness = 64.0;
constexpr double kSegmentGap = 5.0;
constexpr double kSlant = 0.09; // about 5 degrees, like most LED displays

const QColor kFaceTop(0x22, 0x1a, 0x16);
const QColor kFaceBottom(0x0c, 0x09, 0x08);
const QColor kLit(0xff, 0xa8, 0x2e);
const QColor kLitCore(0xff, 0xc8, 0x6a);
const QColor kGlow(0xff, 0x6a, 0x00);
const QColor kUnlit(0xff, 0x8c, 0x30, 14);
const QColor kReadyLit(0x6c, 0xff, 0x6a);
const QColor kReadyGlow(0x10, 0xe0, 0x30);
const QColor kButtonFace(0xf0, 0xf0, 0xf0);
const QColor kButtonActiveFace(0xcc, 0xe4, 0xf7);
const QColor kButtonActiveBorder(0x56, 0x9d, 0xe5);
const QColor kInk(0x1d, 0x35, 0x66);

QString g_sansBold = QStringLiteral("Liberation Sans");
QString g_sansBoldItalic = QStringLiteral("Liberation Sans");

// Registers the font files directly, so the result does not depend on which font the font
// configuration would pick for the family name.
void loadFonts() {
    const QString dir = QStringLiteral("/usr/share/fonts/truetype/liberation/");
    const int bold = QFontDatabase::addApplicationFont(dir + "LiberationSans-Bold.ttf");
    if (bold >= 0 && !QFontDatabase::applicationFontFamilies(bold).isEmpty())
        g_sansBold = QFontDatabase::applicationFontFamilies(bold).first();
    const int boldItalic = QFontDatabase::addApplicationFont(dir + "LiberationSans-BoldItalic.ttf");
    if (boldItalic >= 0 && !QFontDatabase::applicationFontFamilies(boldItalic).isEmpty())
        g_sansBoldItalic = QFontDatabase::applicationFontFamilies(boldItalic).first();
}

[[nodiscard]] QFont sansFont(double pixelSize, bool italic = false) {
    QFont font(italic ? g_sansBoldItalic : g_sansBold);
    font.setBold(true);
    font.setItalic(italic);
    font.setPixelSize(static_cast<int>(std::lround(pixelSize)));
    font.setHintingPreference(QFont::PreferNoHinting);
    font.setStyleStrategy(QFont::PreferAntialias);
    font.setKerning(true);
    return font;
}

/// A path of `text` whose ink box is centred horizontally on `centreX` with its baseline at
/// `baseline`.
[[nodiscard]] QPainterPath textPath(const QString& text, const QFont& font, double centreX,
                                    double baseline) {
    QPainterPath path;
    path.addText(0, 0, font, text);
    const QRectF ink = path.boundingRect();
    return path.translated(centreX - ink.center().x(), baseline);
}

[[nodiscard]] QImage transparentLayer(int width, int height) {
    QImage layer(width, height, QImage::Format_ARGB32_Premultiplied);
    layer.fill(Qt::transparent);
    return layer;
}

// One pass of a box blur along rows (horizontal) or columns, on premultiplied pixels with
// transparent surroundings. Three passes approximate a Gaussian.
void boxBlurPass(QImage& image, int radius, bool horizontal) {
    const int width = image.width();
    const int height = image.height();
    const int lines = horizontal ? height : width;
    const int length = horizontal ? width : height;
    const int window = 2 * radius + 1;
    std::vector<std::array<int, 4>> source(static_cast<size_t>(length));
    for (int line = 0; line < lines; ++line) {
        for (int i = 0; i < length; ++i) {
            const int x = horizontal ? i : line;
            const int y = horizontal ? line : i;
            const QRgb pixel = reinterpret_cast<const QRgb*>(image.constScanLine(y))[x];
            source[static_cast<size_t>(i)] = {qRed(pixel), qGreen(pixel), qBlue(pixel),
                                              qAlpha(pixel)};
        }
        std::array<int, 4> sum{0, 0, 0, 0};
        for (int i = -radius; i < length + radius; ++i) {
            const int entering = i + radius;
            const int leaving = i - radius - 1;
            if (entering >= 0 && entering < length)
                for (int c = 0; c < 4; ++c)
                    sum[c] += source[static_cast<size_t>(entering)][c];
            if (leaving >= 0 && leaving < length)
                for (int c = 0; c < 4; ++c)
                    sum[c] -= source[static_cast<size_t>(leaving)][c];
            if (i < 0 || i >= length)
                continue;
            const int x = horizontal ? i : line;
            const int y = horizontal ? line : i;
            reinterpret_cast<QRgb*>(image.scanLine(y))[x] =
                qRgba((sum[0] + window / 2) / window, (sum[1] + window / 2) / window,
                      (sum[2] + window / 2) / window, (sum[3] + window / 2) / window);
        }
    }
}

[[nodiscard]] QImage blurred(QImage image, int radius) {
    if (radius < 1)
        return image;
    for (int pass = 0; pass < 3; ++pass) {
        boxBlurPass(image, radius, true);
        boxBlurPass(image, radius, false);
    }
    return image;
}

/// The shapes of `layer` recoloured to `colour` and blurred: the light they throw around them.
[[nodiscard]] QImage glowOf(const QImage& layer, const QColor& colour, int radius) {
    QImage tinted = layer.copy();
    {
        QPainter painter(&tinted);
        painter.setCompositionMode(QPainter::CompositionMode_SourceIn);
        painter.fillRect(tinted.rect(), colour);
    }
    return blurred(tinted, radius);
}

/// Adds light: a close glow, a wide faint halo, then the lit shapes themselves on top.
void paintLit(QPainter& painter, const QImage& layer, const QColor& glow, double closeStrength,
              double haloStrength) {
    painter.save();
    painter.setCompositionMode(QPainter::CompositionMode_Screen);
    painter.setOpacity(haloStrength);
    painter.drawImage(0, 0, glowOf(layer, glow, 34));
    painter.setOpacity(closeStrength);
    painter.drawImage(0, 0, glowOf(layer, glow, 10));
    painter.restore();
    painter.drawImage(0, 0, layer);
}

// ---------------------------------------------------------------------------------------------
// Speed panel

/// The dark face of the panel with its bezel. It depends on y only, so that three digits and
/// the unit placed side by side read as one display.
void paintPanelFace(QPainter& painter, int width) {
    const int height = kPanelHeight;
    QLinearGradient face(0, 0, 0, height);
    face.setColorAt(0.0, kFaceTop);
    face.setColorAt(0.55, QColor(0x15, 0x10, 0x0e));
    face.setColorAt(1.0, kFaceBottom);
    painter.fillRect(QRect(0, 0, width, height), face);

    // A faint sheen on the upper part of the glass.
    QLinearGradient sheen(0, kBezel, 0, height * 0.45);
    sheen.setColorAt(0.0, QColor(255, 240, 220, 22));
    sheen.setColorAt(1.0, QColor(255, 240, 220, 0));
    painter.fillRect(QRectF(0, kBezel, width, height * 0.45 - kBezel), sheen);

    // Shadow that the bezel throws onto the glass.
    QLinearGradient shadow(0, kBezel, 0, kBezel + 28);
    shadow.setColorAt(0.0, QColor(0, 0, 0, 150));
    shadow.setColorAt(1.0, QColor(0, 0, 0, 0));
    painter.fillRect(QRectF(0, kBezel, width, 28), shadow);

    QLinearGradient top(0, 0, 0, kBezel);
    top.setColorAt(0.0, QColor(0x6a, 0x66, 0x62));
    top.setColorAt(0.12, QColor(0x4a, 0x46, 0x43));
    top.setColorAt(1.0, QColor(0x26, 0x23, 0x21));
    painter.fillRect(QRect(0, 0, width, kBezel), top);

    QLinearGradient bottom(0, height - kBezel, 0, height);
    bottom.setColorAt(0.0, QColor(0x1c, 0x1a, 0x19));
    bottom.setColorAt(0.85, QColor(0x3c, 0x39, 0x36));
    bottom.setColorAt(1.0, QColor(0x58, 0x54, 0x50));
    painter.fillRect(QRect(0, height - kBezel, width, kBezel), bottom);
}

enum Segment { A, B, C, D, E, F, G, SegmentCount };

[[nodiscard]] QPolygonF horizontalSegment(double x0, double x1, double y) {
    const double h = kSegmentThickness / 2.0;
    x0 += kSegmentGap;
    x1 -= kSegmentGap;
    return QPolygonF(
        {{x0, y}, {x0 + h, y - h}, {x1 - h, y - h}, {x1, y}, {x1 - h, y + h}, {x0 + h, y + h}});
}

[[nodiscard]] QPolygonF verticalSegment(double x, double y0, double y1) {
    const double h = kSegmentThickness / 2.0;
    y0 += kSegmentGap;
    y1 -= kSegmentGap;
    return QPolygonF(
        {{x, y0}, {x + h, y0 + h}, {x + h, y1 - h}, {x, y1}, {x - h, y1 - h}, {x - h, y0 + h}});
}

/// The seven segments of the digit in a picture `width` wide, slanted to the right.
[[nodiscard]] std::array<QPolygonF, SegmentCount> segmentPolygons(int width) {
    const double slantShift = kSlant * kDigitBoxHeight;
    const double left = (width - kDigitBoxWidth - slantShift) / 2.0;
    const double half = kSegmentThickness / 2.0;
    const double xl = left + half;
    const double xr = left + kDigitBoxWidth - half;
    const double yt = kDigitTop + half;
    const double ym = kDigitTop + kDigitBoxHeight / 2.0;
    const double yb = kDigitTop + kDigitBoxHeight - half;

    std::array<QPolygonF, SegmentCount> segments;
    segments[A] = horizontalSegment(xl, xr, yt);
    segments[B] = verticalSegment(xr, yt, ym);
    segments[C] = verticalSegment(xr, ym, yb);
    segments[D] = horizontalSegment(xl, xr, yb);
    segments[E] = verticalSegment(xl, ym, yb);
    segments[F] = verticalSegment(xl, yt, ym);
    segments[G] = horizontalSegment(xl, xr, ym);

    // x' = x + slant * (bottom - y): the foot of the digit stays put, the top leans right.
    const double bottom = kDigitTop + kDigitBoxHeight;
    const QTransform slant(1, 0, -kSlant, 1, kSlant * bottom, 0);
    for (QPolygonF& segment : segments)
        segment = slant.map(segment);
    return segments;
}

/// Which segments light for each digit 0 to 9, bit n for segment n (A = bit 0).
constexpr std::array<unsigned, 10> kDigitSegments = {
    0b0111111, 0b0000110, 0b1011011, 0b1001111, 0b1100110,
    0b1101101, 0b1111101, 0b0000111, 0b1111111, 0b1101111,
};
constexpr unsigned kDashSegments = 1u << G;

void paintLitShape(QPainter& painter, const QPainterPath& shape, const QRectF& lightBox,
                   const QColor& edge, const QColor& core) {
    QLinearGradient gradient(lightBox.topLeft(), lightBox.bottomLeft());
    gradient.setColorAt(0.0, core);
    gradient.setColorAt(0.45, edge);
    gradient.setColorAt(1.0, edge.darker(112));
    painter.setPen(Qt::NoPen);
    painter.setBrush(gradient);
    painter.drawPath(shape);
}

[[nodiscard]] QImage digitPicture(unsigned litSegments) {
    QImage image(kDigitWidth, kPanelHeight, QImage::Format_ARGB32_Premultiplied);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    paintPanelFace(painter, kDigitWidth);

    const auto segments = segmentPolygons(kDigitWidth);
    QPainterPath unlit;
    QPainterPath lit;
    for (int s = 0; s < SegmentCount; ++s) {
        QPainterPath path;
        path.addPolygon(segments[static_cast<size_t>(s)]);
        path.closeSubpath();
        if (litSegments & (1u << s))
            lit.addPath(path);
        else
            unlit.addPath(path);
    }
    painter.setPen(Qt::NoPen);
    painter.setBrush(kUnlit);
    painter.drawPath(unlit);

    if (!lit.isEmpty()) {
        QImage layer = transparentLayer(kDigitWidth, kPanelHeight);
        {
            QPainter layerPainter(&layer);
            layerPainter.setRenderHint(QPainter::Antialiasing);
            paintLitShape(layerPainter, lit, QRectF(0, kDigitTop, kDigitWidth, kDigitBoxHeight),
                          kLit, kLitCore);
        }
        paintLit(painter, layer, kGlow, 0.85, 0.45);
    }
    return image;
}

/// The km/h unit: a stacked "km" over "h" in the digits' colour, and a ready lamp below.
[[nodiscard]] QImage unitPicture(bool ready) {
    QImage image(kUnitWidth, kPanelHeight, QImage::Format_ARGB32_Premultiplied);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    paintPanelFace(painter, kUnitWidth);

    const double centreX = kUnitWidth / 2.0 - 6.0;
    const double top = kDigitTop;
    const double bottom = kDigitTop + kDigitBoxHeight;

    // The unit, as a fraction: km over h, the top aligned with the digits.
    const QFont unitFont = sansFont(212);
    const QPainterPath km = textPath(QStringLiteral("km"), unitFont, centreX, 0);
    const QPainterPath kmPlaced = km.translated(0, top - km.boundingRect().top());
    const double barY = kmPlaced.boundingRect().bottom() + 24;
    QPainterPath bar;
    bar.addRoundedRect(QRectF(centreX - 165, barY, 330, 18), 6, 6);
    const QPainterPath h = textPath(QStringLiteral("h"), unitFont, centreX, 0);
    const QPainterPath hPlaced = h.translated(0, barY + 18 + 24 - h.boundingRect().top());

    QImage layer = transparentLayer(kUnitWidth, kPanelHeight);
    {
        QPainter layerPainter(&layer);
        layerPainter.setRenderHint(QPainter::Antialiasing);
        QPainterPath unit = kmPlaced;
        unit.addPath(bar);
        unit.addPath(hPlaced);
        paintLitShape(layerPainter, unit, QRectF(0, top, kUnitWidth, kDigitBoxHeight), kLit,
                      kLitCore);
    }
    paintLit(painter, layer, kGlow, 0.8, 0.4);

    // The ready lamp with its label, on the digits' baseline.
    const double lampRadius = 40;
    const QPointF lamp(centreX - 118, bottom - lampRadius);
    const QPainterPath label =
        textPath(QStringLiteral("BEREIT"), sansFont(54), centreX + 48, bottom - 14);

    painter.setPen(QPen(QColor(0x4a, 0x46, 0x42), 7));
    painter.setBrush(Qt::NoBrush);
    painter.drawEllipse(lamp, lampRadius + 5, lampRadius + 5);
    painter.setPen(Qt::NoPen);
    if (!ready) {
        QRadialGradient off(lamp + QPointF(-12, -14), lampRadius * 1.4);
        off.setColorAt(0.0, QColor(0x2c, 0x4a, 0x30));
        off.setColorAt(0.6, QColor(0x10, 0x24, 0x14));
        off.setColorAt(1.0, QColor(0x06, 0x10, 0x08));
        painter.setBrush(off);
        painter.drawEllipse(lamp, lampRadius, lampRadius);
        painter.setBrush(QColor(0x60, 0xff, 0x70, 26));
        painter.drawPath(label);
        return image;
    }

    QImage readyLayer = transparentLayer(kUnitWidth, kPanelHeight);
    {
        QPainter layerPainter(&readyLayer);
        layerPainter.setRenderHint(QPainter::Antialiasing);
        layerPainter.setPen(Qt::NoPen);
        QRadialGradient on(lamp + QPointF(-10, -12), lampRadius * 1.3);
        on.setColorAt(0.0, QColor(0xf2, 0xff, 0xee));
        on.setColorAt(0.35, QColor(0x7c, 0xff, 0x80));
        on.setColorAt(1.0, QColor(0x12, 0xb8, 0x2c));
        layerPainter.setBrush(on);
        layerPainter.drawEllipse(lamp, lampRadius, lampRadius);
        paintLitShape(layerPainter, label, label.boundingRect(), kReadyLit,
                      QColor(0xd8, 0xff, 0xd0));
    }
    paintLit(painter, readyLayer, kReadyGlow, 0.9, 0.55);
    return image;
}

[[nodiscard]] QImage placeholderPicture() {
    QImage image(20, 20, QImage::Format_ARGB32_Premultiplied);
    image.fill(QColor(0x15, 0x10, 0x0e));
    return image;
}

// ---------------------------------------------------------------------------------------------
// Logo

void paintTrack(QPainter& painter, double x0, double x1, double railY) {
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0x5a, 0x40, 0x2c));
    for (double x = x0 + 1; x < x1 - 2; x += 6)
        painter.drawRect(QRectF(x, railY + 1.5, 3.5, 2));
    painter.setBrush(QColor(0xb8, 0xb4, 0xae));
    painter.drawRect(QRectF(x0, railY, x1 - x0, 1.5));
}

/// A small electric locomotive in side view, `x` its left end, standing on the rail at `railY`.
void paintLocomotive(QPainter& painter, double x, double railY) {
    const double length = 46;
    const double bodyTop = railY - 15;
    const double bodyBottom = railY - 4.5;
    QPainterPath body;
    body.moveTo(x, bodyBottom);
    body.lineTo(x, bodyTop + 4);
    body.lineTo(x + 4, bodyTop);
    body.lineTo(x + length - 4, bodyTop);
    body.lineTo(x + length, bodyTop + 4);
    body.lineTo(x + length, bodyBottom);
    body.closeSubpath();
    QLinearGradient paint(0, bodyTop, 0, bodyBottom);
    paint.setColorAt(0.0, QColor(0xe0, 0x4a, 0x3a));
    paint.setColorAt(1.0, QColor(0x9a, 0x22, 0x1a));
    painter.setPen(Qt::NoPen);
    painter.setBrush(paint);
    painter.drawPath(body);
    // Pantograph.
    painter.setPen(QPen(QColor(0x9a, 0x9a, 0x9a), 1));
    painter.drawLine(QPointF(x + 16, bodyTop), QPointF(x + 21, bodyTop - 2.5));
    painter.drawLine(QPointF(x + 21, bodyTop - 2.5), QPointF(x + 17, bodyTop - 4.5));
    painter.drawLine(QPointF(x + 13, bodyTop - 4.5), QPointF(x + 21, bodyTop - 4.5));
    // Windows and a light band.
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0xbf, 0xe0, 0xf4));
    painter.drawRect(QRectF(x + 1.5, bodyTop + 3, 3, 3));
    painter.drawRect(QRectF(x + length - 4.5, bodyTop + 3, 3, 3));
    for (double wx = x + 10; wx < x + length - 10; wx += 7)
        painter.drawRect(QRectF(wx, bodyTop + 3, 4, 3));
    painter.setBrush(QColor(0xf2, 0xe8, 0xd8));
    painter.drawRect(QRectF(x, bodyTop + 7.5, length, 1.2));
    // Head lamp.
    painter.setBrush(QColor(0xff, 0xf0, 0xa0));
    painter.drawEllipse(QPointF(x + length - 1.6, bodyBottom - 1.8), 1.0, 1.0);
    // Bogies.
    painter.setBrush(QColor(0x2a, 0x2a, 0x2a));
    painter.drawRect(QRectF(x + 4, bodyBottom, 14, 2));
    painter.drawRect(QRectF(x + length - 18, bodyBottom, 14, 2));
    painter.setBrush(QColor(0x50, 0x50, 0x50));
    for (const double wx : {x + 7.5, x + 14.5, x + length - 14.5, x + length - 7.5})
        painter.drawEllipse(QPointF(wx, railY - 2.2), 2.2, 2.2);
}

/// A light-barrier post of the measuring section; `lit` shows a train being timed.
void paintSensorPost(QPainter& painter, double x, double railY, bool lit) {
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0x8a, 0x86, 0x80));
    painter.drawRect(QRectF(x - 1, railY - 16, 2, 16));
    painter.setBrush(lit ? QColor(0xff, 0xb0, 0x30) : QColor(0x6a, 0x40, 0x20));
    painter.drawEllipse(QPointF(x, railY - 18), 2.2, 2.2);
}

[[nodiscard]] QImage logoPicture() {
    QImage image(kLogoWidth, kLogoHeight, QImage::Format_ARGB32_Premultiplied);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);

    QLinearGradient face(0, 0, 0, kLogoHeight);
    face.setColorAt(0.0, QColor(0x2c, 0x24, 0x1f));
    face.setColorAt(1.0, QColor(0x10, 0x0c, 0x0b));
    painter.fillRect(image.rect(), face);
    painter.fillRect(QRect(0, 0, kLogoWidth, 1), QColor(0x5a, 0x55, 0x50));
    painter.fillRect(QRect(0, kLogoHeight - 1, kLogoWidth, 1), QColor(0x05, 0x04, 0x04));

    // The name in the colour of the panel digits, with the same glow.
    QImage layer = transparentLayer(kLogoWidth, kLogoHeight);
    {
        QPainter layerPainter(&layer);
        layerPainter.setRenderHint(QPainter::Antialiasing);
        QPainterPath name;
        name.addText(10, 24.5, sansFont(24, true), QStringLiteral("Quendar"));
        paintLitShape(layerPainter, name, QRectF(0, 6, 10, 19), kLit, kLitCore);
    }
    painter.save();
    painter.setCompositionMode(QPainter::CompositionMode_Screen);
    painter.setOpacity(0.7);
    painter.drawImage(0, 0, glowOf(layer, kGlow, 3));
    painter.restore();
    painter.drawImage(0, 0, layer);

    // The measuring section: a track with two light barriers, a dimension arrow between them,
    // and a locomotive running through.
    const double railY = 27;
    paintTrack(painter, 128, kLogoWidth - 6, railY);
    const double post1 = 196;
    const double post2 = 292;
    paintSensorPost(painter, post1, railY, true);
    paintSensorPost(painter, post2, railY, false);
    const QColor arrow(0xff, 0xa8, 0x2e, 200);
    const double arrowY = 4.5;
    painter.setPen(QPen(QColor(0x8a, 0x86, 0x80), 1));
    painter.drawLine(QPointF(post1, arrowY - 2), QPointF(post1, railY - 21));
    painter.drawLine(QPointF(post2, arrowY - 2), QPointF(post2, railY - 21));
    painter.setPen(QPen(arrow, 1, Qt::DashLine));
    painter.drawLine(QPointF(post1 + 5, arrowY), QPointF(post2 - 5, arrowY));
    painter.setPen(Qt::NoPen);
    painter.setBrush(arrow);
    painter.drawPolygon(
        QPolygonF({{post1 + 1, arrowY}, {post1 + 6, arrowY - 2.5}, {post1 + 6, arrowY + 2.5}}));
    painter.drawPolygon(
        QPolygonF({{post2 - 1, arrowY}, {post2 - 6, arrowY - 2.5}, {post2 - 6, arrowY + 2.5}}));
    paintLocomotive(painter, 232, railY);
    // Speed lines behind the locomotive.
    painter.setPen(QPen(QColor(0xd0, 0xc8, 0xc0, 150), 1));
    painter.drawLine(QPointF(210, 15.5), QPointF(227, 15.5));
    painter.drawLine(QPointF(203, 19.5), QPointF(227, 19.5));
    return image;
}

// ---------------------------------------------------------------------------------------------
// Buttons and window icon

[[nodiscard]] QImage buttonCanvas(bool active) {
    QImage image(kButtonSize, kButtonSize, QImage::Format_ARGB32_Premultiplied);
    image.fill(active ? kButtonActiveFace : kButtonFace);
    if (active) {
        QPainter painter(&image);
        painter.setPen(kButtonActiveBorder);
        painter.drawRect(0, 0, kButtonSize - 1, kButtonSize - 1);
    }
    return image;
}

/// A serial plug (D-sub, nine pins) for the port settings.
[[nodiscard]] QImage portButtonPicture() {
    QImage image = buttonCanvas(false);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    // Flange with its two screws.
    QLinearGradient metal(0, 6, 0, 19);
    metal.setColorAt(0.0, QColor(0xe4, 0xe6, 0xea));
    metal.setColorAt(1.0, QColor(0x9a, 0x9e, 0xa6));
    painter.setPen(QPen(QColor(0x3a, 0x40, 0x48), 1));
    painter.setBrush(metal);
    painter.drawRoundedRect(QRectF(1.5, 6.5, 22, 12), 1.5, 1.5);
    painter.setBrush(QColor(0x6a, 0x70, 0x78));
    painter.setPen(Qt::NoPen);
    painter.drawEllipse(QPointF(3.8, 12.5), 1.3, 1.3);
    painter.drawEllipse(QPointF(21.2, 12.5), 1.3, 1.3);
    // The shell with the pins.
    QPainterPath shell;
    shell.moveTo(6.0, 8.5);
    shell.lineTo(19.0, 8.5);
    shell.lineTo(17.5, 16.5);
    shell.lineTo(7.5, 16.5);
    shell.closeSubpath();
    painter.setPen(QPen(QColor(0x20, 0x26, 0x30), 1, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.setBrush(QColor(0x2a, 0x3c, 0x5a));
    painter.drawPath(shell);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0xf0, 0xc8, 0x50));
    for (int i = 0; i < 5; ++i)
        painter.drawEllipse(QPointF(8.5 + 2.0 * i, 11.0), 0.85, 0.85);
    for (int i = 0; i < 4; ++i)
        painter.drawEllipse(QPointF(9.5 + 2.0 * i, 14.0), 0.85, 0.85);
    // The cable leaving upwards.
    painter.setPen(QPen(QColor(0x3a, 0x40, 0x48), 3, Qt::SolidLine, Qt::FlatCap));
    painter.drawLine(QPointF(12.5, 1), QPointF(12.5, 6));
    painter.setPen(QPen(QColor(0x6a, 0x72, 0x80), 1, Qt::SolidLine, Qt::FlatCap));
    painter.drawLine(QPointF(12.0, 1), QPointF(12.0, 6));
    return image;
}

void paintFloppy(QPainter& painter, double x, double y, double size) {
    const double s = size / 17.0;
    QPainterPath body;
    body.moveTo(x, y);
    body.lineTo(x + 14 * s, y);
    body.lineTo(x + 17 * s, y + 3 * s);
    body.lineTo(x + 17 * s, y + 17 * s);
    body.lineTo(x, y + 17 * s);
    body.closeSubpath();
    QLinearGradient blue(x, y, x + size, y + size);
    blue.setColorAt(0.0, QColor(0x4a, 0x7c, 0xc8));
    blue.setColorAt(1.0, QColor(0x24, 0x4c, 0x96));
    painter.setPen(QPen(QColor(0x14, 0x2a, 0x5a), 1, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
    painter.setBrush(blue);
    painter.drawPath(body.translated(0.5, 0.5));
    painter.setPen(Qt::NoPen);
    // Metal shutter with its window.
    painter.setBrush(QColor(0xd8, 0xdc, 0xe2));
    painter.drawRect(QRectF(x + 4 * s + 0.5, y + 1.0, 9 * s, 5.5 * s));
    painter.setBrush(QColor(0x24, 0x4c, 0x96));
    painter.drawRect(QRectF(x + 10 * s, y + 1.0 + 1.0 * s, 2 * s, 3.5 * s));
    // Label.
    painter.setBrush(QColor(0xfa, 0xfa, 0xf6));
    painter.drawRect(QRectF(x + 3 * s + 0.5, y + 9 * s + 0.5, 11 * s, 8 * s));
    painter.setBrush(QColor(0x9a, 0xa6, 0xb8));
    painter.drawRect(QRectF(x + 4.5 * s + 0.5, y + 11 * s + 0.5, 8 * s, 1));
    painter.drawRect(QRectF(x + 4.5 * s + 0.5, y + 13.5 * s + 0.5, 8 * s, 1));
}

[[nodiscard]] QImage saveButtonPicture() {
    QImage image = buttonCanvas(false);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    paintFloppy(painter, 4, 4, 17);
    return image;
}

/// Pressed: logging runs, so the disk is being written to: a pen over it on a lit face.
[[nodiscard]] QImage saveActiveButtonPicture() {
    QImage image = buttonCanvas(true);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    paintFloppy(painter, 2, 2, 16);
    painter.save();
    painter.translate(15.5, 15.5);
    painter.rotate(45);
    // Pen along the x axis after rotation: tip at the left.
    QPainterPath tip;
    tip.moveTo(-7.5, 0);
    tip.lineTo(-4.5, -1.8);
    tip.lineTo(-4.5, 1.8);
    tip.closeSubpath();
    painter.setPen(QPen(QColor(0x40, 0x30, 0x10), 0.8));
    painter.setBrush(QColor(0xf0, 0xd0, 0xa0));
    painter.drawPath(tip);
    painter.setBrush(QColor(0x30, 0x30, 0x30));
    painter.setPen(Qt::NoPen);
    painter.drawEllipse(QPointF(-7.0, 0), 0.8, 0.8);
    painter.setPen(QPen(QColor(0x6a, 0x4a, 0x00), 0.8));
    painter.setBrush(QColor(0xff, 0xc8, 0x20));
    painter.drawRect(QRectF(-4.5, -1.8, 9, 3.6));
    painter.setBrush(QColor(0xe0, 0x50, 0x50));
    painter.drawRect(QRectF(4.5, -1.8, 2.5, 3.6));
    painter.restore();
    return image;
}

void paintSigma(QPainter& painter, const QColor& colour) {
    QPainterPath sigma;
    sigma.moveTo(18.5, 7.5);
    sigma.lineTo(18.5, 4.5);
    sigma.lineTo(6.5, 4.5);
    sigma.lineTo(12.5, 12.5);
    sigma.lineTo(6.5, 20.5);
    sigma.lineTo(18.5, 20.5);
    sigma.lineTo(18.5, 17.5);
    painter.setPen(QPen(colour, 2.4, Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin));
    painter.setBrush(Qt::NoBrush);
    painter.drawPath(sigma);
}

[[nodiscard]] QImage statisticsButtonPicture() {
    QImage image = buttonCanvas(false);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    paintSigma(painter, kInk);
    return image;
}

/// Pressed: the statistics run; the sum sign on a lit face with a green lamp beside it.
[[nodiscard]] QImage statisticsActiveButtonPicture() {
    QImage image = buttonCanvas(true);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    paintSigma(painter, QColor(0x0c, 0x4a, 0xa8));
    QRadialGradient lamp(QPointF(20.3, 20.3), 3.2);
    lamp.setColorAt(0.0, QColor(0xd0, 0xff, 0xc8));
    lamp.setColorAt(1.0, QColor(0x18, 0xa8, 0x30));
    painter.setPen(QPen(QColor(0x0a, 0x5a, 0x1a), 0.8));
    painter.setBrush(lamp);
    painter.drawEllipse(QPointF(20.5, 20.5), 2.4, 2.4);
    return image;
}

[[nodiscard]] QImage cancelButtonPicture() {
    QImage image = buttonCanvas(false);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    QRadialGradient red(QPointF(10.5, 9.5), 12);
    red.setColorAt(0.0, QColor(0xf2, 0x6a, 0x5a));
    red.setColorAt(1.0, QColor(0xb8, 0x1e, 0x14));
    painter.setPen(QPen(QColor(0x7a, 0x10, 0x0a), 1));
    painter.setBrush(red);
    painter.drawEllipse(QPointF(12.5, 12.5), 9.5, 9.5);
    painter.setPen(QPen(Qt::white, 2.6, Qt::SolidLine, Qt::RoundCap));
    painter.drawLine(QPointF(8.8, 8.8), QPointF(16.2, 16.2));
    painter.drawLine(QPointF(16.2, 8.8), QPointF(8.8, 16.2));
    return image;
}

/// The window icon: a small speedometer in the panel's colours above a piece of track.
[[nodiscard]] QImage iconPicture() {
    QImage image(kIconSize, kIconSize, QImage::Format_ARGB32_Premultiplied);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    QLinearGradient face(0, 0, 0, kIconSize);
    face.setColorAt(0.0, QColor(0x2c, 0x24, 0x1f));
    face.setColorAt(1.0, QColor(0x0e, 0x0b, 0x0a));
    painter.fillRect(image.rect(), face);
    painter.setPen(QPen(QColor(0x6a, 0x66, 0x62), 1));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(QRectF(0.5, 0.5, kIconSize - 1, kIconSize - 1));

    const QPointF centre(16.5, 18.5);
    const double radius = 11.5;
    const QRectF arcBox(centre.x() - radius, centre.y() - radius, 2 * radius, 2 * radius);
    painter.setPen(QPen(QColor(0x5a, 0x3a, 0x1c), 2.4, Qt::SolidLine, Qt::FlatCap));
    painter.drawArc(arcBox, -30 * 16, 240 * 16);
    painter.setPen(QPen(kLit, 2.4, Qt::SolidLine, Qt::FlatCap));
    painter.drawArc(arcBox, 60 * 16, 150 * 16);
    // Ticks.
    painter.setPen(QPen(QColor(0xd8, 0xd0, 0xc4), 1.2, Qt::SolidLine, Qt::FlatCap));
    for (int i = 0; i <= 4; ++i) {
        const double angle = (210.0 - 60.0 * i) * M_PI / 180.0;
        const QPointF direction(std::cos(angle), -std::sin(angle));
        painter.drawLine(centre + direction * (radius - 5.0), centre + direction * (radius - 2.5));
    }
    // Needle.
    const double needle = 60.0 * M_PI / 180.0;
    painter.setPen(QPen(QColor(0xff, 0x5a, 0x20), 1.8, Qt::SolidLine, Qt::RoundCap));
    painter.drawLine(centre, centre + QPointF(std::cos(needle), -std::sin(needle)) * 9.5);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0xe8, 0xe0, 0xd4));
    painter.drawEllipse(centre, 2.0, 2.0);
    // Track.
    painter.setBrush(QColor(0x6a, 0x4a, 0x30));
    for (double x = 3.5; x < 30; x += 5)
        painter.drawRect(QRectF(x, 28.5, 3, 2));
    painter.setBrush(QColor(0xc8, 0xc4, 0xbe));
    painter.drawRect(QRectF(2, 27, 29, 1.5));
    return image;
}

// ---------------------------------------------------------------------------------------------

[[nodiscard]] bool saveJpeg(const QImage& image, const QDir& dir, const QString& name) {
    const QString path = dir.filePath(name);
    if (image.convertToFormat(QImage::Format_RGB32).save(path, "JPG", kJpegQuality))
        return true;
    std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
    return false;
}

// 24-bit BMP files: the window loads them without an alpha channel.
[[nodiscard]] bool saveBmp(const QImage& image, const QDir& dir, const QString& name) {
    const QString path = dir.filePath(name);
    if (image.convertToFormat(QImage::Format_RGB888).save(path, "BMP"))
        return true;
    std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
    return false;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <output-dir>\n", argv[0]);
        return 2;
    }
    // Text needs a QGuiApplication; it must run without a display.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    loadFonts();

    const QDir dir(QString::fromLocal8Bit(argv[1]));
    if (!dir.exists() && !QDir().mkpath(dir.path())) {
        std::fprintf(stderr, "cannot create %s\n", argv[1]);
        return 1;
    }

    bool ok = true;
    for (int digit = 0; digit <= 9; ++digit)
        ok &= saveJpeg(digitPicture(kDigitSegments[static_cast<size_t>(digit)]), dir,
                       QString::number(10 + digit) + ".jpg");
    ok &= saveJpeg(digitPicture(kDashSegments), dir, "-.jpg");
    ok &= saveJpeg(digitPicture(0), dir, "blank.jpg");
    ok &= saveJpeg(unitPicture(false), dir, "kmh.jpg");
    ok &= saveJpeg(unitPicture(true), dir, "kmh-bereit.jpg");
    ok &= saveJpeg(placeholderPicture(), dir, "space.jpg");

    ok &= saveBmp(logoPicture(), dir, "logo.bmp");
    ok &= saveBmp(portButtonPicture(), dir, "bearbeiten.bmp");
    ok &= saveBmp(saveButtonPicture(), dir, "Datei_speichern.bmp");
    ok &= saveBmp(saveActiveButtonPicture(), dir, "Datei_speichern_unter.bmp");
    ok &= saveBmp(statisticsButtonPicture(), dir, "Berechnen_p.bmp");
    ok &= saveBmp(statisticsActiveButtonPicture(), dir, "Berechnen_a.bmp");
    ok &= saveBmp(cancelButtonPicture(), dir, "abbrechen.bmp");
    ok &= saveBmp(iconPicture(), dir, "quendar.bmp");
    return ok ? 0 : 1;
}
