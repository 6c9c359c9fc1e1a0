// Glimmer's PCX decoder against FFmpeg's, on the same bytes in the same process and run:
// FFmpeg with one thread and a codec context kept across decodes, as a player would use it.
// Beside them, writing the output's bytes to fresh memory. Run: build/bench/ffmpeg_bench
extern "C" {
#include <libavcodec/avcodec.h>
}

#include <cstring>
#include <memory>
#include <string>

#include "cases.h"

namespace {

using glimmer::art::Bytes;

struct Ffmpeg {
    AVCodecContext* context = nullptr;
    AVPacket* packet = nullptr;
    AVFrame* frame = nullptr;
    ~Ffmpeg() {
        av_frame_free(&frame);
        av_packet_free(&packet);
        avcodec_free_context(&context);
    }
};

void decodeFfmpeg(benchmark::State& state, const Bytes& file, std::size_t bytes) {
    Ffmpeg f;
    const AVCodec* codec = avcodec_find_decoder(AV_CODEC_ID_PCX);
    f.context = codec ? avcodec_alloc_context3(codec) : nullptr;
    f.packet = av_packet_alloc();
    f.frame = av_frame_alloc();
    if (!f.context || !f.packet || !f.frame) return state.SkipWithError("no FFmpeg PCX decoder");
    f.context->thread_count = 1;
    if (avcodec_open2(f.context, codec, nullptr) < 0 ||
        av_new_packet(f.packet, static_cast<int>(file.size())) < 0)
        return state.SkipWithError("FFmpeg would not open");
    std::memcpy(f.packet->data, file.data(), file.size()); // refcounted: sent without a copy
    for (auto _ : state) {
        if (avcodec_send_packet(f.context, f.packet) < 0 ||
            avcodec_receive_frame(f.context, f.frame) < 0)
            return state.SkipWithError("FFmpeg decode failed");
        benchmark::DoNotOptimize(f.frame->data[0]);
        av_frame_unref(f.frame);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                            static_cast<std::int64_t>(bytes));
}

} // namespace

int main(int argc, char** argv) {
    for (const bench::Case& c : bench::kCases) {
        const Bytes file = glimmer::art::makePicture(c.width, c.height, c.planes, c.scene);
        const std::size_t bytes = bench::outputBytes(c);
        const std::string name = c.name;
        benchmark::RegisterBenchmark(("write_fresh/" + name).c_str(), bench::writeFreshMemory,
                                     bytes);
        benchmark::RegisterBenchmark(("glimmer/" + name).c_str(), bench::decodeCore, file, bytes);
        benchmark::RegisterBenchmark(("ffmpeg/" + name).c_str(), decodeFfmpeg, file, bytes);
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
