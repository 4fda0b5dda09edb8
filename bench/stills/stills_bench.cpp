// Our MPEG-2 still decoder against libavcodec's and libmpeg2's on the same bytes: a 720 x 576 intra
// still of a synthetic picture (gradients, grain and hard edges), encoded once by libavcodec.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <vector>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/frame.h>
#if ORB_HAVE_LIBMPEG2
#include <inttypes.h>
#include <mpeg2dec/mpeg2.h>
#endif
}

#include "common/ratio_main.h"
#include "devices/decoder/mpeg_decoder.h"

namespace {

using Bytes = std::vector<uint8_t>;
constexpr int kWidth = 720, kHeight = 576;

Bytes encodeStill(int qscale) {
  const AVCodec* codec = avcodec_find_encoder(AV_CODEC_ID_MPEG2VIDEO);
  AVCodecContext* ctx = avcodec_alloc_context3(codec);
  ctx->width = kWidth;
  ctx->height = kHeight;
  ctx->pix_fmt = AV_PIX_FMT_YUV420P;
  ctx->time_base = {1, 25};
  ctx->framerate = {25, 1};
  ctx->gop_size = 0;
  ctx->max_b_frames = 0;
  ctx->flags |= AV_CODEC_FLAG_QSCALE;
  ctx->global_quality = FF_QP2LAMBDA * qscale;
  Bytes out;
  if (avcodec_open2(ctx, codec, nullptr) < 0) return out;
  AVFrame* frame = av_frame_alloc();
  frame->format = AV_PIX_FMT_YUV420P;
  frame->width = kWidth;
  frame->height = kHeight;
  av_frame_get_buffer(frame, 0);
  uint32_t noise = 1;
  for (int y = 0; y < kHeight; ++y)
    for (int x = 0; x < kWidth; ++x) {
      noise = noise * 1103515245 + 12345;
      int grain = static_cast<int>(noise >> 28) - 8;
      int v = static_cast<int>(128 + 90 * std::sin(x * 0.031) * std::cos(y * 0.017)) + grain;
      if ((x / 48 + y / 48) % 2) v = 255 - v;
      frame->data[0][y * frame->linesize[0] + x] = static_cast<uint8_t>(v < 16 ? 16 : v > 235 ? 235 : v);
    }
  for (int y = 0; y < kHeight / 2; ++y)
    for (int x = 0; x < kWidth / 2; ++x) {
      frame->data[1][y * frame->linesize[1] + x] = static_cast<uint8_t>(64 + x * 128 / (kWidth / 2));
      frame->data[2][y * frame->linesize[2] + x] = static_cast<uint8_t>(64 + y * 128 / (kHeight / 2));
    }
  frame->pts = 0;
  frame->quality = ctx->global_quality;
  AVPacket* packet = av_packet_alloc();
  for (AVFrame* f : {frame, static_cast<AVFrame*>(nullptr)}) {
    avcodec_send_frame(ctx, f);
    while (avcodec_receive_packet(ctx, packet) == 0) {
      out.insert(out.end(), packet->data, packet->data + packet->size);
      av_packet_unref(packet);
    }
  }
  const uint8_t end[] = {0, 0, 1, 0xB7};
  if (out.size() < 4 || !std::equal(end, end + 4, out.end() - 4)) out.insert(out.end(), end, end + 4);
  av_packet_free(&packet);
  av_frame_free(&frame);
  avcodec_free_context(&ctx);
  return out;
}

const Bytes& still(int qscale) {
  static const Bytes q2 = encodeStill(2), q12 = encodeStill(12);
  return qscale == 2 ? q2 : q12;
}

void countFrame(const MpegFrame&, void* context) { ++*static_cast<int*>(context); }

void BM_Still_Ours(benchmark::State& state) {
  const Bytes& bytes = still(static_cast<int>(state.range(0)));
  int frames = 0;
  MpegDecoder* decoder = MpegDecoder::create(countFrame, &frames);
  for (auto _ : state) {
    decoder->feed(bytes.data(), bytes.size());
    decoder->finish();
  }
  delete decoder;
  if (frames != static_cast<int>(state.iterations())) state.SkipWithError("a still did not decode");
  state.counters["bytes"] = static_cast<double>(bytes.size());
}

void BM_Still_Libavcodec(benchmark::State& state) {
  Bytes bytes = still(static_cast<int>(state.range(0)));
  size_t size = bytes.size();
  bytes.resize(size + AV_INPUT_BUFFER_PADDING_SIZE, 0);
  const AVCodec* codec = avcodec_find_decoder(AV_CODEC_ID_MPEG2VIDEO);
  AVCodecContext* ctx = avcodec_alloc_context3(codec);
  ctx->thread_count = 1;
  avcodec_open2(ctx, codec, nullptr);
  AVPacket* packet = av_packet_alloc();
  AVFrame* frame = av_frame_alloc();
  int64_t frames = 0;
  for (auto _ : state) {
    packet->data = bytes.data();
    packet->size = static_cast<int>(size);
    avcodec_send_packet(ctx, packet);
    avcodec_send_packet(ctx, nullptr);
    while (avcodec_receive_frame(ctx, frame) == 0) ++frames;
    avcodec_flush_buffers(ctx);
  }
  if (frames != state.iterations()) state.SkipWithError("a still did not decode");
  av_frame_free(&frame);
  av_packet_free(&packet);
  avcodec_free_context(&ctx);
}

#if ORB_HAVE_LIBMPEG2
void BM_Still_Libmpeg2(benchmark::State& state) {
  Bytes bytes = still(static_cast<int>(state.range(0)));
  mpeg2dec_t* decoder = mpeg2_init();
  const mpeg2_info_t* info = mpeg2_info(decoder);
  int64_t frames = 0;
  for (auto _ : state) {
    mpeg2_buffer(decoder, bytes.data(), bytes.data() + bytes.size());
    for (;;) {
      mpeg2_state_t s = mpeg2_parse(decoder);
      if (s == STATE_BUFFER) break;
      if ((s == STATE_SLICE || s == STATE_END || s == STATE_INVALID_END) && info->display_fbuf) ++frames;
    }
    mpeg2_reset(decoder, 1);
  }
  mpeg2_close(decoder);
  if (frames < state.iterations()) state.SkipWithError("a still did not decode");
}
BENCHMARK(BM_Still_Libmpeg2)->Arg(2)->Arg(12);
#else
// libmpeg2 is missing here: only the libavcodec comparison runs.
#endif

BENCHMARK(BM_Still_Ours)->Arg(2)->Arg(12);
BENCHMARK(BM_Still_Libavcodec)->Arg(2)->Arg(12);

}  // namespace

ORB_BENCH_RATIO(BM_Still_Ours / 2, BM_Still_Libavcodec / 2);
ORB_BENCH_RATIO(BM_Still_Ours / 12, BM_Still_Libavcodec / 12);
#if ORB_HAVE_LIBMPEG2
ORB_BENCH_RATIO(BM_Still_Ours / 2, BM_Still_Libmpeg2 / 2);
ORB_BENCH_RATIO(BM_Still_Ours / 12, BM_Still_Libmpeg2 / 12);
#endif
ORB_BENCH_RATIO_MAIN()
