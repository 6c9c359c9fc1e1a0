// The viewer's own path for a 1920 x 1080 8-bit screenshot: reading the file, decoding it,
// handing it to the picture window and painting the window (offscreen), beside the decode
// alone, in one run. The window is painted at the size it opens with, which shows the top-left
// part of the picture, and enlarged to show all of it. Run: build/bench/viewer_bench
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QFile>
#include <QTemporaryDir>
#include <QWidget>

#include "decode/read_pcx.h"
#include "edit/picture_box.h"
#include "platform/qt_platform.h"
#include "screenshot_scene.h"
#include "viewer/frm_picture.h"

namespace {

QByteArray screenshot() {
    const auto file = glimmer::art::makeScreenshot(1920, 1080, 1, 7);
    return QByteArray(reinterpret_cast<const char*>(file.data()), qsizetype(file.size()));
}

void decodeAlone(benchmark::State& state, const QByteArray& bytes) {
    for (auto _ : state) {
        glimmer::PcxResult r = glimmer::DecodePcx(bytes);
        if (!std::holds_alternative<glimmer::Picture>(r)) state.SkipWithError("decode failed");
        benchmark::DoNotOptimize(&r);
    }
}

void fileToWindow(benchmark::State& state, const QString& path, glimmer::viewer::FrmPicture& window,
                  bool whole) {
    QWidget* w = window.widget();
    const QSize opened = w->size();
    for (auto _ : state) {
        glimmer::PcxResult r = glimmer::ReadPcx(path);
        auto* picture = std::get_if<glimmer::Picture>(&r);
        if (!picture) {
            state.SkipWithError("read failed");
            break;
        }
        window.setPicture(*picture);
        if (whole) {
            const QPoint corner = window.picture1()->geometry().bottomRight();
            w->resize(corner.x() + 1, corner.y() + 1);
        }
        w->repaint(); // paints now, into the window's backing store
    }
    w->resize(opened);
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir dir;
    const QByteArray bytes = screenshot();
    const QString path = dir.filePath(QStringLiteral("SHOT0001.PCX"));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size()) return 1;
    file.close();

    glimmer::platform::QtPlatform qt;
    glimmer::platform::Platform platform = qt.platform();
    glimmer::viewer::FrmPicture window(platform, [] { return QString(); });
    window.show();
    QApplication::processEvents(); // the window is exposed, so it paints, once this is handled
    benchmark::RegisterBenchmark("decode_alone/shot8_1920x1080", decodeAlone, bytes)
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("file_to_window_as_opened/shot8_1920x1080", fileToWindow, path,
                                 std::ref(window), false)
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("file_to_window_showing_all/shot8_1920x1080", fileToWindow, path,
                                 std::ref(window), true)
        ->Unit(benchmark::kMillisecond);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
