// Decoder speed in MB/s of decoded pixels, beside writing as many bytes to fresh memory, all in
// one run. Run: build/bench/pcx_bench [benchmark flags].
// --write DIR writes the benchmark's pictures; --screenshots DIR N writes N screenshot-like
// pictures for measuring the batch converter.
#include <benchmark/benchmark.h>

#include <QByteArray>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>

#include "cases.h"
#include "decode/read_pcx.h"
#include "pcx_encode.h"
#include "screenshot_scene.h"

using bench::Case;
using bench::kCases;
using glimmer::art::Bytes;

namespace {

void decodePicture(benchmark::State& state, const QByteArray& file, std::size_t bytes) {
    for (auto _ : state) {
        glimmer::PcxResult r = glimmer::DecodePcx(file);
        if (!std::holds_alternative<glimmer::Picture>(r)) state.SkipWithError("decode failed");
        benchmark::DoNotOptimize(&r);
    }
    state.SetBytesProcessed(std::int64_t(state.iterations()) * std::int64_t(bytes));
}

void writeFile(const std::string& path, const Bytes& file) {
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(file.data()), std::streamsize(file.size()));
}

void writeFiles(const std::string& dir) {
    for (const Case& c : kCases) {
        const Bytes file = glimmer::art::makePicture(c.width, c.height, c.planes, c.scene);
        writeFile(dir + "/" + c.name + ".pcx", file);
    }
}

// The screenshot-like set the batch converter is measured on: SHOT0001.PCX and on.
void writeScreenshots(const std::string& dir, int count) {
    for (int n = 0; n < count; ++n) {
        const auto shape = glimmer::art::screenshotShape(n);
        char name[32];
        std::snprintf(name, sizeof name, "/SHOT%04d.PCX", n + 1);
        writeFile(dir + name, glimmer::art::makeScreenshot(shape.width, shape.height, shape.planes,
                                                           static_cast<std::uint32_t>(n + 1)));
    }
}

} // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::string(argv[1]) == "--write") {
        writeFiles(argv[2]);
        return 0;
    }
    if (argc == 4 && std::string(argv[1]) == "--screenshots") {
        writeScreenshots(argv[2], std::atoi(argv[3]));
        return 0;
    }
    for (const Case& c : kCases) {
        const Bytes file = glimmer::art::makePicture(c.width, c.height, c.planes, c.scene);
        const QByteArray qfile(reinterpret_cast<const char*>(file.data()), qsizetype(file.size()));
        const std::size_t bytes = bench::outputBytes(c);
        const std::string name = c.name;
        benchmark::RegisterBenchmark(("write_fresh/" + name).c_str(), bench::writeFreshMemory,
                                     bytes);
        benchmark::RegisterBenchmark(("decode_core/" + name).c_str(), bench::decodeCore, file,
                                     bytes);
        benchmark::RegisterBenchmark(("decode_picture/" + name).c_str(), decodePicture, qfile,
                                     bytes);
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
