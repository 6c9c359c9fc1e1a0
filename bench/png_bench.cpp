// PNG encoders on screenshot-like pictures (one of every size and kind of the batch set):
// Qt's writer against libdeflate with each level and row filter. Time per set, and the
// set's PNG bytes as a counter, all in one run. Run: build/bench/png_bench [benchmark flags]
#include <benchmark/benchmark.h>

#include <QBuffer>
#include <QImageWriter>
#include <string>
#include <vector>

#include "decode/read_pcx.h"
#include "png/png_writer.h"
#include "screenshot_scene.h"

namespace {

std::vector<QImage> pictures(int kinds) {
    std::vector<QImage> set;
    for (int n = 0; n < 14; ++n) {
        const auto shape = glimmer::art::screenshotShape(n);
        if ((shape.planes == 1 && !(kinds & 1)) || (shape.planes == 3 && !(kinds & 2))) continue;
        const auto file = glimmer::art::makeScreenshot(shape.width, shape.height, shape.planes,
                                                       static_cast<std::uint32_t>(n + 1));
        const auto r = glimmer::DecodePcx(
            QByteArray(reinterpret_cast<const char*>(file.data()), qsizetype(file.size())));
        set.push_back(std::get<glimmer::Picture>(r).image());
    }
    return set;
}

template <typename Encode>
void run(benchmark::State& state, const std::vector<QImage>& set, Encode encode) {
    std::size_t bytes = 0;
    for (auto _ : state) {
        bytes = 0;
        for (const QImage& image : set)
            bytes += static_cast<std::size_t>(encode(image).size());
    }
    state.counters["png_bytes"] = static_cast<double>(bytes);
}

QByteArray qtPng(const QImage& image) {
    QByteArray out;
    QBuffer buffer(&out);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter(&buffer, "png").write(image);
    return out;
}

const char* filterName(glimmer::PngFilter f) {
    switch (f) {
    case glimmer::PngFilter::None:
        return "none";
    case glimmer::PngFilter::Up:
        return "up";
    case glimmer::PngFilter::Paeth:
        return "paeth";
    case glimmer::PngFilter::Adaptive:
        return "adaptive";
    case glimmer::PngFilter::Auto:
        return "auto";
    }
    return "?";
}

} // namespace

int main(int argc, char** argv) {
    using glimmer::PngFilter;
    static const std::vector<QImage> sets[] = {pictures(1), pictures(2)};
    const char* kinds[] = {"indexed", "rgb"};
    for (int k = 0; k < 2; ++k) {
        const auto& set = sets[k];
        const std::string kind = kinds[k];
        benchmark::RegisterBenchmark(("qt/" + kind).c_str(), [&set](benchmark::State& s) {
            run(s, set, qtPng);
        })->Unit(benchmark::kMillisecond);
        for (PngFilter f : {PngFilter::None, PngFilter::Up, PngFilter::Paeth, PngFilter::Adaptive,
                            PngFilter::Auto})
            for (int level : {1, 3, 4, 5, 6, 7, 9}) {
                glimmer::PngOptions o;
                o.level = level;
                o.indexedFilter = o.colourFilter = f;
                benchmark::RegisterBenchmark(
                    ("deflate/" + kind + "/" + filterName(f) + "/" + std::to_string(level)).c_str(),
                    [&set, o](benchmark::State& s) {
                        run(s, set, [&o](const QImage& i) { return glimmer::encodePng(i, o); });
                    })
                    ->Unit(benchmark::kMillisecond);
            }
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
