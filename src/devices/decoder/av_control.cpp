#include "devices/decoder/av_control.h"

#include <atomic>
#include <cstdio>

namespace {

struct Decoder {
  const char* startedMustStop;
  const char* alreadyStarted;
  const char* alreadyStopped;
  uint32_t handleBase;
  std::atomic<int> state{kDecoderStopped};
  std::atomic<int> pid{0};
  std::atomic<uint32_t> opens{0};

  uint32_t open(int index) { return handleBase + 256 * (opens.fetch_add(1) + 1) + static_cast<uint32_t>(index); }
  int status(int* out) {
    if (out) *out = pid.load();
    return state.load();
  }
  int setPid(int value) {
    if (state.load() == kDecoderStarted) std::printf("%s", startedMustStop);
    pid.store(value);
    return 0;
  }
  int setSource() {
    if (state.load() == kDecoderStarted) std::printf("%s", startedMustStop);
    return 0;
  }
  int start() {
    if (state.exchange(kDecoderStarted) == kDecoderStarted) std::printf("%s", alreadyStarted);
    return 0;
  }
  int pause() {
    state.store(kDecoderPaused);
    return 0;
  }
  int resume() {
    int paused = kDecoderPaused;
    state.compare_exchange_strong(paused, kDecoderStarted);
    return 0;
  }
  int stop() {
    if (state.exchange(kDecoderStopped) == kDecoderStopped) std::printf("%s", alreadyStopped);
    return 0;
  }
  void reset() {
    state.store(kDecoderStopped);
    pid.store(0);
    opens.store(0);
  }
};

Decoder g_audio{"\n\n\t[AUDIO API ERROR] AUDIO IS STARTED, MUST STOP FIRST !!!\n\n",
                "\n\n\t[AUDIO API ERROR] AUDIO IS STARTED !!!\n\n", "\n\n\t[AUDIO API ERROR] AUDIO IS STOPPED !!!\n\n",
                0x43210000u};
Decoder g_video{"\n\n\t[VIDEO API ERROR] VIDEO IS STARTED, MUST STOP FIRST !!!\n\n",
                "\n\n\t[VIDEO API ERROR] VIDEO IS STARTED !!!\n\n", "\n\n\t[VIDEO API ERROR] VIDEO IS STOPPED !!!\n\n",
                0x12340000u};

}  // namespace

uint32_t audio_open(int index) { return g_audio.open(index); }
int audio_status(int* pid) { return g_audio.status(pid); }
int audio_setPid(uint32_t, int pid) { return g_audio.setPid(pid); }
int audio_setSource(uint32_t, int) { return g_audio.setSource(); }
int audio_start(uint32_t, int, int) { return g_audio.start(); }
int audio_pause() { return g_audio.pause(); }
int audio_resume() { return g_audio.resume(); }
int audio_stop(uint32_t) { return g_audio.stop(); }
int audio_mode(uint32_t, int mode) { return mode == 0 || mode == 1 ? 0 : -1; }
int audio_setVolume(uint32_t, int) { return 0; }
int audio_setMute(uint32_t, int) { return 0; }
int audio_setOutput(uint32_t, int) { return 0; }

uint32_t video_open(int index) { return g_video.open(index); }
int video_status(int* pid) { return g_video.status(pid); }
int video_setPid(uint32_t, int pid) { return g_video.setPid(pid); }
int video_setSource(uint32_t, int) { return g_video.setSource(); }
int video_start(uint32_t) { return g_video.start(); }
int video_pause() { return g_video.pause(); }
int video_resume() { return g_video.resume(); }
int video_stop(uint32_t) { return g_video.stop(); }
int video_setWindow(uint32_t, int, int, int, int) { return 0; }
int video_setFormat(uint32_t, int) { return 0; }
int video_activatePIP(uint32_t, int, int, int, int) { return 0; }
int video_deactivatePIP(uint32_t) { return 0; }

void av_reset() {
  g_audio.reset();
  g_video.reset();
}
