#include "devices/decoder/av_control.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

namespace {

const char kAudioStarted[] = "\n\n\t[AUDIO API ERROR] AUDIO IS STARTED !!!\n\n";
const char kAudioStopped[] = "\n\n\t[AUDIO API ERROR] AUDIO IS STOPPED !!!\n\n";
const char kAudioMustStop[] = "\n\n\t[AUDIO API ERROR] AUDIO IS STARTED, MUST STOP FIRST !!!\n\n";
const char kVideoStarted[] = "\n\n\t[VIDEO API ERROR] VIDEO IS STARTED !!!\n\n";
const char kVideoStopped[] = "\n\n\t[VIDEO API ERROR] VIDEO IS STOPPED !!!\n\n";
const char kVideoMustStop[] = "\n\n\t[VIDEO API ERROR] VIDEO IS STARTED, MUST STOP FIRST !!!\n\n";

std::string run(const std::function<void()>& calls) {
  av_reset();
  testing::internal::CaptureStdout();
  calls();
  return testing::internal::GetCapturedStdout();
}

TEST(AvControl, HandlesCountOpensPerDecoder) {
  av_reset();
  EXPECT_EQ(audio_open(0), 0x43210100u);
  EXPECT_EQ(audio_open(2), 0x43210202u);
  EXPECT_EQ(video_open(1), 0x12340101u);
  EXPECT_EQ(audio_open(0), 0x43210300u);
  EXPECT_EQ(video_open(0), 0x12340200u);
}

struct StateCase {
  const char* name;
  std::function<void()> calls;
  std::string expectedOutput;
  int audioState, videoState;
};

TEST(AvControl, WrongStateCallsPrintOnceAndStateFollowsTheCall) {
  const uint32_t a = 0x43210100, v = 0x12340100;
  const StateCase cases[] = {
      {"audio started twice", [&] { audio_start(a, 3, 48000), audio_start(a, 3, 48000); }, kAudioStarted, 1, 0},
      {"audio stopped twice", [&] { audio_start(a, 8, 32000), audio_stop(a), audio_stop(a); }, kAudioStopped, 0, 0},
      {"audio stop while stopped", [&] { audio_stop(a); }, kAudioStopped, 0, 0},
      {"audio pause then start", [&] { audio_start(a, 3, 44100), audio_pause(), audio_start(a, 3, 44100); }, "", 1, 0},
      {"audio pause then stop", [&] { audio_start(a, 3, 44100), audio_pause(), audio_stop(a); }, "", 0, 0},
      {"audio source while started", [&] { audio_start(a, 3, 48000), audio_setSource(a, 2); }, kAudioMustStop, 1, 0},
      {"video started twice", [&] { video_start(v), video_start(v); }, kVideoStarted, 0, 1},
      {"video stopped twice", [&] { video_start(v), video_stop(v), video_stop(v); }, kVideoStopped, 0, 0},
      {"video paused", [&] { video_start(v), video_pause(); }, "", 0, 2},
      {"video resumed", [&] { video_start(v), video_pause(), video_resume(); }, "", 0, 1},
      {"video source while started", [&] { video_start(v), video_setSource(v, 1); }, kVideoMustStop, 0, 1},
      {"pid while stopped", [&] { audio_setPid(a, 0x100), video_setPid(v, 0x200); }, "", 0, 0},
  };
  for (const StateCase& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(run(c.calls), c.expectedOutput);
    EXPECT_EQ(audio_status(nullptr), c.audioState);
    EXPECT_EQ(video_status(nullptr), c.videoState);
  }
}

TEST(AvControl, PidSetWhileStartedWarnsAndIsStoredAllTheSame) {
  std::string out = run([] {
    video_start(0x12340100);
    video_setPid(0x12340100, 0x1FF);
    audio_start(0x43210100, 3, 48000);
    audio_setPid(0x43210100, 0x101);
  });
  EXPECT_EQ(out, std::string(kVideoMustStop) + kAudioMustStop);
  int pid = 0;
  EXPECT_EQ(video_status(&pid), kDecoderStarted);
  EXPECT_EQ(pid, 0x1FF);
  EXPECT_EQ(audio_status(&pid), kDecoderStarted);
  EXPECT_EQ(pid, 0x101);
}

TEST(AvControl, AudioModeAcceptsOnlyModesZeroAndOne) {
  const struct { int mode, result; } cases[] = {{0, 0}, {1, 0}, {2, -1}, {-1, -1}};
  for (auto c : cases) EXPECT_EQ(audio_mode(0x43210100, c.mode), c.result) << c.mode;
}

}  // namespace
