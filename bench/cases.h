// The pictures the decoder benchmarks decode, the decode itself, and the yardstick beside it:
// writing the output's bytes to fresh memory, mapped anew each time so that every page is
// faulted in as a decode's new buffer is.
#pragma once

#include <benchmark/benchmark.h>
#include <sys/mman.h>

#include <cstring>

#include "pcx/decode.h"
#include "pcx_encode.h"

namespace bench {

struct Case {
    const char* name;
    int width, height, planes;
    glimmer::art::Scene scene;
};

inline const Case kCases[] = {
    {"photo8_1920x1080", 1920, 1080, 1, glimmer::art::Scene::Photo},
    {"flat8_1920x1080", 1920, 1080, 1, glimmer::art::Scene::Flat},
    {"photo24_1920x1080", 1920, 1080, 3, glimmer::art::Scene::Photo},
    {"flat24_1920x1080", 1920, 1080, 3, glimmer::art::Scene::Flat},
    {"photo8_4096x4096", 4096, 4096, 1, glimmer::art::Scene::Photo},
    {"photo24_4096x4096", 4096, 4096, 3, glimmer::art::Scene::Photo},
};

// Bytes of decoded pixels: 8-bit rows padded to 4 bytes, 24-bit as 32-bit words.
inline std::size_t outputBytes(const Case& c) {
    const std::size_t w = static_cast<std::size_t>(c.width);
    const std::size_t stride = c.planes == 1 ? (w + 3) & ~std::size_t{3} : 4 * w;
    return stride * static_cast<std::size_t>(c.height);
}

// The decoder core on `file`, in bytes of decoded pixels a second.
inline void decodeCore(benchmark::State& state, const glimmer::art::Bytes& file,
                       std::size_t bytes) {
    for (auto _ : state) {
        pcx::Result r = pcx::decode(std::span(file.data(), file.size()));
        if (r.status != pcx::Status::Ok) state.SkipWithError("decode failed");
        benchmark::DoNotOptimize(r.image.pixels.get());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                            static_cast<std::int64_t>(bytes));
}

inline void writeFreshMemory(benchmark::State& state, std::size_t bytes) {
    for (auto _ : state) {
        void* p =
            ::mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (p == MAP_FAILED) {
            state.SkipWithError("mmap failed");
            break;
        }
        std::memset(p, 0x5A, bytes);
        benchmark::ClobberMemory();
        ::munmap(p, bytes);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                            static_cast<std::int64_t>(bytes));
}

} // namespace bench
