#include "devices/dvr/dvr.h"

#include <gtest/gtest.h>

#include <atomic>
#include <string>

#include "devices/decoder/av_control.h"
#include "devices/panel/front_panel.h"
#include "devices/storage/storage.h"
#include "full_task_table.h"
#include "runtime/process.h"
#include "support/temp_root.h"

namespace {

std::atomic<int> g_endCalls{0};
std::atomic<int> g_endHandle{-1};
void onEnd(int32_t handle, int32_t event) {
  if (event == DVR_EVENT_PLAY_END) {
    g_endHandle = handle;
    ++g_endCalls;
  }
}

class DvrTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    process_init();
    dvr_setEndDelayMs(200);
  }
  void SetUp() override {
    g_endCalls = 0;
    av_reset();
  }
  void TearDown() override {
    for (int32_t h = 0; h < kDvrSlots; ++h) dvr_close(h);
    process_sleep(300);  // let pending end events pass
  }
  static int32_t open(uint32_t pids = kDvrNoPid, DvrEndCallback callback = onEnd) {
    DvrSlot params;
    params.pids = pids;
    params.endCallback = callback;
    int32_t h = -1;
    EXPECT_EQ(dvr_open(&params, &h), DVR_OK);
    return h;
  }
  static DvrSlot slot(int32_t h) {
    DvrSlot s;
    EXPECT_TRUE(dvr_slot(h, &s));
    return s;
  }
};

TEST_F(DvrTest, SlotsAndHandles) {
  int32_t a = open(), b = open(), c = open();
  EXPECT_EQ(a, 0);
  EXPECT_EQ(c, 2);
  int32_t d = -1;
  EXPECT_EQ(dvr_open(nullptr, &d), DVR_NO_SLOT);
  EXPECT_EQ(slot(b).word24, 0x7FFFFFFF);
  EXPECT_EQ(dvr_command(3, DVR_CMD_PLAY, 0), DVR_BAD_HANDLE);
  EXPECT_EQ(dvr_command(-1, DVR_CMD_PLAY, 0), DVR_BAD_HANDLE);
  dvr_close(b);
  EXPECT_EQ(open(), b);  // the lowest free slot
  dvr_close(a);
  EXPECT_FALSE(dvr_slot(a, nullptr));
}

TEST_F(DvrTest, PlaybackEndsWithACallbackUnlessPaused) {
  int32_t h = open();
  testing::internal::CaptureStdout();
  EXPECT_EQ(dvr_command(h, DVR_CMD_PLAY, 0), DVR_OK);
  EXPECT_EQ(slot(h).state, DVR_STATE_PLAYING);
  for (int i = 0; i < 100 && g_endCalls == 0; ++i) process_sleep(20);
  EXPECT_EQ(g_endCalls, 1);
  EXPECT_EQ(g_endHandle, h);

  // Paused before the end event: the message is printed, the callback is not called.
  EXPECT_EQ(dvr_command(h, DVR_CMD_PLAY, 0), DVR_OK);
  EXPECT_EQ(dvr_command(h, DVR_CMD_PAUSE, 0), DVR_OK);
  EXPECT_EQ(slot(h).state, DVR_STATE_IDLE);
  process_sleep(400);
  std::string out = testing::internal::GetCapturedStdout();
  EXPECT_EQ(g_endCalls, 1);
  EXPECT_NE(out.find("SIM DVR_EVENT_PLAY_END callback"), std::string::npos);
  EXPECT_NE(out.find("for handle " + std::to_string(h)), std::string::npos);
}

TEST_F(DvrTest, TrickPlayNeedsEntriesAroundTheCurrentOne) {
  int32_t h = open();
  EXPECT_EQ(dvr_command(h, DVR_CMD_RW, DVR_RW_2x), DVR_TRICK_REFUSED);  // entry 0, nothing recording
  EXPECT_EQ(dvr_command(h, DVR_CMD_FF, DVR_FF_2x), DVR_OK);
  DvrSlot s = slot(h);
  EXPECT_EQ(s.state, DVR_STATE_PLAYING);
  EXPECT_EQ(s.command, DVR_CMD_FF);
  EXPECT_EQ(s.argument, DVR_FF_2x);
  EXPECT_EQ(dvr_command(h, DVR_CMD_STOP, 0), DVR_OK);
  EXPECT_EQ(dvr_command(h, DVR_CMD_NOP, 0), DVR_OK);
}

TEST_F(DvrTest, RecordingKindsAndBusyPids) {
  int32_t h = open((0x0200u << 16) | 0x0100u);  // video 0x100, audio 0x200
  uint32_t video = video_open(0);
  video_setPid(video, 0x100);
  video_start(video);
  testing::internal::CaptureStdout();
  EXPECT_EQ(dvr_command(h, DVR_CMD_RECORD, DVR_IMPULSE_RECORDING), DVR_OK);  // accepted all the same
  std::string out = testing::internal::GetCapturedStdout();
  EXPECT_NE(out.find("[DVR API ERROR] VIDEO PID IS BEING COLLECTED, MUST STOP VIDEO FIRST"), std::string::npos);
  EXPECT_EQ(out.find("AUDIO PID"), std::string::npos);
  EXPECT_EQ(slot(h).state, DVR_STATE_RECORDING);

  // A recording changes kind without changing state.
  for (int32_t kind : {DVR_TIMER_RECORDING, DVR_TIMESHIFT_RECORDING, DVR_IMPULSE_RECORDING}) {
    EXPECT_EQ(dvr_command(h, DVR_CMD_RECORD, kind), DVR_OK);
    EXPECT_EQ(slot(h).argument, kind);
    EXPECT_EQ(slot(h).state, DVR_STATE_RECORDING);
  }

  // With a live recorder, a second slot's playback takes no end event.
  int32_t p = open();
  EXPECT_EQ(dvr_command(p, DVR_CMD_PLAY, 0), DVR_OK);
  EXPECT_EQ(slot(p).state, DVR_STATE_PLAYING);
  process_sleep(400);
  EXPECT_EQ(g_endCalls, 0);
}

TEST_F(DvrTest, TrickPlayBesideALiveRecorderMarksItTimeshift) {
  int32_t rec = open(0x0100u);  // video PID 0x100
  ASSERT_EQ(dvr_command(rec, DVR_CMD_RECORD, DVR_IMPULSE_RECORDING), DVR_OK);
  int32_t p = open();
  // Entry 0 and no index of its own: the player takes the recorder's entry minus one.
  EXPECT_EQ(dvr_command(p, DVR_CMD_FF, DVR_FF_4x), DVR_OK);
  EXPECT_EQ(slot(p).currentEntry, -1);
  EXPECT_EQ(slot(p).state, DVR_STATE_PLAYING);
  EXPECT_EQ(slot(rec).state, DVR_STATE_TRICK_RECORDING);
  EXPECT_EQ(slot(rec).argument, DVR_TIMESHIFT_RECORDING);
  // The same command again changes nothing more.
  EXPECT_EQ(dvr_command(p, DVR_CMD_FF, DVR_FF_4x), DVR_OK);
  EXPECT_EQ(slot(p).command, DVR_CMD_FF);
  EXPECT_EQ(dvr_command(p, DVR_CMD_RW, DVR_RW_2x), DVR_OK);  // entries -1..-10 hold no 0
}

TEST_F(DvrTest, TimeshiftBecomingATimerRecordingKeepsTheFileFromItsStart) {
  TempRoot root;
  root.write("/hdd/rec.ts", std::string(100, 'r'));
  DvrSlot params;
  params.mediaHandle = storage_open("/hdd/rec.ts", kStorageRead);
  ASSERT_GE(params.mediaHandle, 0);
  ASSERT_EQ(storage_seek(params.mediaHandle, 40, 0), 40);
  int32_t h = -1;
  ASSERT_EQ(dvr_open(&params, &h), DVR_OK);
  ASSERT_EQ(dvr_command(h, DVR_CMD_RECORD, DVR_TIMESHIFT_RECORDING), DVR_OK);
  EXPECT_EQ(dvr_command(h, DVR_CMD_RECORD, DVR_IMPULSE_RECORDING), DVR_OK);  // other changes keep the position
  EXPECT_EQ(storage_seek(params.mediaHandle, 0, 1), 40);
  EXPECT_EQ(dvr_command(h, DVR_CMD_RECORD, DVR_TIMESHIFT_RECORDING), DVR_OK);
  EXPECT_EQ(dvr_command(h, DVR_CMD_RECORD, DVR_TIMER_RECORDING), DVR_OK);
  EXPECT_EQ(storage_seek(params.mediaHandle, 0, 1), 0);
  EXPECT_EQ(slot(h).argument, DVR_TIMER_RECORDING);
  dvr_close(h);
  storage_close(params.mediaHandle);
}

TEST_F(DvrTest, InformationAndCapacity) {
  DvrPlayInfo info;
  EXPECT_EQ(dvr_getPlayInfo(0, &info), DVR_OK);
  EXPECT_EQ(info.totalSeconds, 7200);
  EXPECT_EQ(info.elapsedSeconds, 143);
  int32_t size = 0, rate = 0, seconds = 0;
  EXPECT_EQ(dvr_recordingCapacity("hdd", &size, &rate, &seconds), DVR_OK);
  EXPECT_EQ(size, 20480);
  EXPECT_EQ(rate, 5120);
  EXPECT_EQ(seconds, 3273);
  EXPECT_EQ(dvr_step(0, 1), DVR_OK);
  EXPECT_EQ(dvr_jump(0, 30), DVR_OK);
}

TEST_F(DvrTest, SlotsStayApartWhenTheEndTaskCannotStart) {
  process_init();  // ends the end task of the tests before
  process_sleep(100);
  {
    FullTaskTable full;
    // No end task can start: every open still takes its own slot.
    EXPECT_EQ(open(), 0);
    EXPECT_EQ(open(), 1);
    EXPECT_EQ(open(), 2);
    int32_t d = -1;
    EXPECT_EQ(dvr_open(nullptr, &d), DVR_NO_SLOT);
    dvr_close(1);
  }
  // With room in the table again, the next open starts the end task and playback ends as usual.
  int32_t h = open();
  EXPECT_EQ(h, 1);
  EXPECT_TRUE(dvr_slot(0, nullptr));
  EXPECT_EQ(dvr_command(h, DVR_CMD_PLAY, 0), DVR_OK);
  for (int i = 0; i < 100 && g_endCalls == 0; ++i) process_sleep(20);
  EXPECT_EQ(g_endCalls, 1);
}

TEST(FrontPanel, TextsAndValues) {
  struct Case {
    int32_t number;
    const char* name;
    const char* text;
  };
  for (const Case& c : {Case{7, "News", "0007: News"}, Case{-1, "ignored", "Menu"},
                        Case{1234, "A very long channel name that goes on", "1234: A very long channel name "},
                        Case{5, nullptr, "0005: "}})
    EXPECT_EQ(fp_showChannel(c.number, c.name), c.text);
  EXPECT_EQ(fp_showVolume(42), "Volume: 0042");
  fp_setWakeup(6, 30, 1, 1, 126, 17);
  EXPECT_EQ(fp_wakeupChannel(), 17);
  fp_setPowerMode(3);
  EXPECT_EQ(fp_powerMode(), 3);
  EXPECT_EQ(fp_bootReason(), 0);
  EXPECT_STREQ(fp_showText("Hello"), "Hello");
}

}  // namespace
