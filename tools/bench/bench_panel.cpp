// Times the speed panel: a relayout at several window widths, split into decoding and scaling,
// against the floor of decoding the fourteen pictures with libjpeg and scaling each once; and
// the cost of one tick. Run with QT_QPA_PLATFORM=offscreen; an optional argument names the
// assets folder (default: the source tree's). Missing pictures are replaced by generated ones.

#include "display/image_loader.h"
#include "display/layout.h"
#include "display/main_window.h"
#include "display/modal_gate.h"
#include "display/panel_state.h"
#include "display/speed_panel.h"

#include <QApplication>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QPixmap>
#include <QTemporaryDir>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <vector>

#include <jpeglib.h>
#include <sys/resource.h>

using namespace quendar;

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kRuns = 31;
constexpr int kWidths[] = {385, 800, 1920, 3840};

double msSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// Medians over kRuns of each task, in milliseconds, after one warm-up run of each. The tasks
// take turns within every run, so a change in the machine's load hits them all alike.
std::vector<double> interleavedMedians(const std::vector<std::function<void()>>& tasks) {
    std::vector<std::vector<double>> times(tasks.size());
    for (const auto& task : tasks) {
        task();
    }
    for (int run = 0; run < kRuns; ++run) {
        for (std::size_t k = 0; k < tasks.size(); ++k) {
            const std::size_t t = (k + static_cast<std::size_t>(run)) % tasks.size();
            const auto start = Clock::now();
            tasks[t]();
            times[t].push_back(msSince(start));
        }
    }
    std::vector<double> medians;
    for (auto& list : times) {
        medians.push_back(median(std::move(list)));
    }
    return medians;
}

QString pathOf(const QString& dir, const PanelPicture& p) {
    return dir + QLatin1Char('/') +
           QLatin1String(p.file.data(), static_cast<qsizetype>(p.file.size()));
}

// The assets folder to use: `preferred` if it holds every panel picture, else generated ones.
QString assetsFolder(const QString& preferred, QTemporaryDir& generated) {
    const bool complete =
        std::all_of(kPanelPictures.begin(), kPanelPictures.end(),
                    [&](const PanelPicture& p) { return QFile::exists(pathOf(preferred, p)); });
    if (complete) {
        return preferred;
    }
    std::printf("assets incomplete in %s: using generated 502x660 pictures\n",
                qPrintable(preferred));
    for (const PanelPicture& p : kPanelPictures) {
        QImage image(p.unitWide ? 452 : 502, 660, QImage::Format_RGB32);
        image.fill(Qt::black);
        QPainter painter(&image);
        painter.setPen(QPen(Qt::red, 40));
        painter.drawText(image.rect(), Qt::AlignCenter, QString::number(p.number));
        painter.drawEllipse(image.rect().adjusted(60, 60, -60, -60));
        painter.end();
        image.save(pathOf(generated.path(), p), "JPG", 90);
    }
    QFile::copy(QStringLiteral(QUENDAR_ASSETS_DIR "/space.jpg"),
                generated.filePath(QStringLiteral("space.jpg")));
    return generated.path();
}

// The floor: libjpeg straight into a 32-bit buffer, no checks, then one smooth scale.
QImage plainDecode(const QString& path) {
    QFile file(path);
    file.open(QIODevice::ReadOnly);
    const QByteArray data = file.readAll();
    jpeg_decompress_struct cinfo{};
    jpeg_error_mgr err{};
    cinfo.err = jpeg_std_error(&err);
    jpeg_create_decompress(&cinfo);
    jpeg_mem_src(&cinfo, reinterpret_cast<const unsigned char*>(data.constData()),
                 static_cast<unsigned long>(data.size()));
    jpeg_read_header(&cinfo, TRUE);
    cinfo.out_color_space = JCS_EXT_BGRX;
    jpeg_start_decompress(&cinfo);
    QImage image(static_cast<int>(cinfo.output_width), static_cast<int>(cinfo.output_height),
                 QImage::Format_RGB32);
    while (cinfo.output_scanline < cinfo.output_height) {
        JSAMPROW row = image.scanLine(static_cast<int>(cinfo.output_scanline));
        jpeg_read_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    return image;
}

QSize targetSize(const Layout& l, const PanelPicture& p) {
    return QSize(p.unitWide ? l.unitWidth : l.digitWidth, l.panelHeight);
}

// Microseconds per tick over `ticks` ticks, each preceded by `prepare`.
double tickUs(SpeedPanel& panel, int ticks, const std::function<void(int)>& prepare) {
    const auto start = Clock::now();
    for (int i = 0; i < ticks; ++i) {
        prepare(i);
        panel.tick();
    }
    return msSince(start) * 1000.0 / ticks;
}

long peakRssKiB() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QTemporaryDir generated;
    const QString assets = assetsFolder(
        argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(QUENDAR_ASSETS_DIR), generated);
    std::printf("assets: %s, %d runs each, median in ms, platform %s\n", qPrintable(assets), kRuns,
                qPrintable(QGuiApplication::platformName()));
    std::printf("%6s %9s %8s %8s %7s %8s %7s %9s\n", "width", "relayout", "decode", "scale", "rest",
                "floor", "ratio", "slots KiB");

    ModalGate gate;
    MainWindow window(gate, assets);
    window.openMainWindow();
    SpeedPanel panel(window);
    panel.createFields();
    window.buildControls();
    window.showButtons();

    std::vector<QImage> decoded;
    for (const int width : kWidths) {
        window.resize(width, 400);
        QCoreApplication::processEvents();
        const Layout layout = computeLayout(width);

        const auto relayoutTask = [&] { panel.relayout(); };
        const auto decodeTask = [&] {
            decoded.clear();
            for (const PanelPicture& p : kPanelPictures) {
                decoded.push_back(loadImage(pathOf(assets, p)));
            }
        };
        const auto scaleTask = [&] {
            for (std::size_t i = 0; i < kPanelPictures.size(); ++i) {
                const QPixmap pixmap = QPixmap::fromImage(
                    decoded[i].scaled(targetSize(layout, kPanelPictures[i]), Qt::IgnoreAspectRatio,
                                      Qt::SmoothTransformation));
            }
        };
        const auto floorTask = [&] {
            for (const PanelPicture& p : kPanelPictures) {
                const QImage scaled = plainDecode(pathOf(assets, p))
                                          .scaled(targetSize(layout, p), Qt::IgnoreAspectRatio,
                                                  Qt::SmoothTransformation);
            }
        };
        const std::vector<double> m =
            interleavedMedians({relayoutTask, decodeTask, scaleTask, floorTask});
        const double relayout = m[0];
        const double decode = m[1];
        const double scale = m[2];
        const double floor = m[3];
        qint64 slotBytes = 0;
        for (const PanelPicture& p : kPanelPictures) {
            const QPixmap pixmap = panel.picture(p.number);
            slotBytes += qint64(pixmap.width()) * pixmap.height() * pixmap.depth() / 8;
        }
        std::printf("%6d %9.2f %8.2f %8.2f %7.2f %8.2f %7.2f %9lld\n", width, relayout, decode,
                    scale, relayout - decode - scale, floor, relayout / floor, slotBytes / 1024);
    }

    // Ticks at the last width, the largest pictures.
    constexpr int kTicks = 30000;
    panel.showDashes();
    panel.tick();
    const double idle = tickUs(panel, kTicks, [](int) {});
    panel.startRunningLight(RunDirection::LeftToRight);
    const double running = tickUs(panel, kTicks, [](int) {});
    panel.stopRunningLight();
    const double changing = tickUs(panel, kTicks, [&](int i) {
        if (i % 2 == 0) {
            panel.showDigitImages(11, 12, 13);
        } else {
            panel.showDigitImages(14, 15, 16);
        }
    });
    std::printf("tick in us: unchanged %.3f, running light %.3f, all three fields changing %.3f\n",
                idle, running, changing);
    std::printf("peak RSS: %ld KiB\n", peakRssKiB());
    return 0;
}
