#pragma once
// The DVR device: three record and playback slots driven by the recorder, the player and TV control.
// The device keeps each slot's state and reports the end of a playback five seconds after it starts;
// it moves no stream data (the recorder finds its files as it left them, playback shows nothing).
#include <cstdint>

constexpr int32_t kDvrSlots = 3;

// Commands.
constexpr int32_t DVR_CMD_PLAY = 1, DVR_CMD_STOP = 2, DVR_CMD_PAUSE = 4, DVR_CMD_FF = 8, DVR_CMD_RW = 16,
                  DVR_CMD_RECORD = 32, DVR_CMD_NOP = 48, DVR_CMD_PLAY_AUDIO = 64, DVR_CMD_PLAY_AUDIO2 = 128;
// Arguments.
constexpr int32_t DVR_NONE = 0, DVR_FF_2x = 1, DVR_FF_4x = 2, DVR_FF_8x = 3, DVR_RW_2x = 17, DVR_RW_4x = 18,
                  DVR_RW_8x = 19, DVR_IMPULSE_RECORDING = 33, DVR_TIMESHIFT_RECORDING = 34, DVR_TIMER_RECORDING = 35;
// Results.
constexpr int32_t DVR_OK = 0, DVR_BAD_HANDLE = 1, DVR_NO_SLOT = 2, DVR_TRICK_REFUSED = 3;
// Slot states.
constexpr int32_t DVR_STATE_IDLE = 0, DVR_STATE_PLAYING = 2, DVR_STATE_RECORDING = 3, DVR_STATE_TRICK_RECORDING = 5;
constexpr int32_t DVR_EVENT_PLAY_END = 3;
constexpr int32_t kDvrNoPid = 8191;

using DvrEndCallback = void (*)(int32_t handle, int32_t event);

// A slot record: the caller fills the first part before dvr_open; the rest belongs to the device.
struct DvrSlot {
  // Filled by the caller.
  int32_t mediaHandle = -1;  // mass-storage handle of the media file
  int32_t indexHandle = -1;
  int32_t decoder = 0;       // audio decoder from the player, video decoder from the recorder
  int32_t otherDecoder = 0;  // the other one
  int32_t tunerBit = -1;     // -1 from the player; the lowest bit of the tuner input from the recorder
  DvrEndCallback endCallback = nullptr;
  uint32_t pids = 0;  // low half video PID (8191 none), high half audio PID
  int32_t carried7 = 0;
  int32_t audioStreamType = 0;
  int32_t carried9 = 0, carried10 = 0, carried11 = 0;
  // The device's part.
  int32_t packetCounter = 0;
  int64_t position = 0;
  int32_t argument = 0;  // the argument of the last command that set it
  int32_t state = 0;
  int32_t command = 0;  // the last command accepted (2 after close)
  int32_t currentEntry = 0;
  const uint32_t* index = nullptr;  // index entries, two words each (none in this system)
  int32_t indexEntries = 0;
  int32_t word24 = 0;
  int32_t word25 = 0;

  int32_t videoPid() const { return static_cast<int32_t>(pids & 0xFFFF); }
  int32_t audioPid() const { return static_cast<int32_t>(pids >> 16); }
};

struct DvrPlayInfo {
  int32_t totalSeconds = 0;
  int32_t elapsedSeconds = 0;
  int32_t reserved2 = 0, reserved3 = 0;
  int32_t markCount = 0;
  uint32_t* marks = nullptr;  // markCount words of pool POOL_DVR
};

int32_t dvr_open(const DvrSlot* params, int32_t* handle);
int32_t dvr_close(int32_t handle);
int32_t dvr_command(int32_t handle, int32_t command, int32_t argument);
int32_t dvr_step(int32_t handle, int32_t direction);
int32_t dvr_jump(int32_t handle, int32_t seconds);
int32_t dvr_getPlayInfo(int32_t handle, DvrPlayInfo* info);
int32_t dvr_freePlayInfo(DvrPlayInfo* info);
int32_t dvr_recordingCapacity(const char* volume, int32_t* sizeMb, int32_t* rateKbit, int32_t* freeSeconds);
void dvr_setMode(int32_t value);

// A copy of a slot, for tests and the simulator's status view; false for a free slot.
bool dvr_slot(int32_t handle, DvrSlot* out);
// The delay of the end-of-play event (5000 ms on the receiver), for tests.
void dvr_setEndDelayMs(int32_t ms);
