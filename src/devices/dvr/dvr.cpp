#include "devices/dvr/dvr.h"

#include <atomic>
#include <cstdio>
#include <mutex>

#include "devices/decoder/av_control.h"
#include "devices/storage/storage.h"
#include "runtime/pool.h"
#include "runtime/process.h"

namespace {

struct Table {
  std::mutex lock;  // the DVR lock
  DvrSlot slots[kDvrSlots];
  bool used[kDvrSlots] = {};
  bool started = false;  // the slot table has been cleared by the first open
  int endTask = -1;
  std::atomic<int32_t> endDelayMs{5000};
  int32_t mode = 0;
};
Table& g = *new Table;  // never destroyed: the end task may outlive static destruction

bool validHandle(int32_t h) { return h >= 0 && h < kDvrSlots; }

void endTask(void*) {
  for (;;) {
    ProcessMessage msg;
    if (process_receive(&msg) != 0) {
      // The task table was reset under us: the next open starts a new end task.
      std::lock_guard guard(g.lock);
      g.endTask = -1;
      return;
    }
    pool_free(POOL_CORE_PROCESS, msg.data, msg.size);
    int32_t h = msg.type;
    process_sleep(g.endDelayMs);
    if (!validHandle(h)) continue;
    DvrEndCallback callback;
    bool playing;
    {
      std::lock_guard guard(g.lock);
      callback = g.slots[h].endCallback;
      playing = g.used[h] && g.slots[h].state == DVR_STATE_PLAYING;
    }
    std::printf("SIM DVR_EVENT_PLAY_END callback %x for handle %d\n",
                static_cast<unsigned>(reinterpret_cast<uintptr_t>(callback)), h);
    std::fflush(stdout);
    if (playing && callback) callback(h, DVR_EVENT_PLAY_END);
  }
}

void requestEnd(int32_t h) {
  ProcessMessage msg{h, nullptr, 0};
  process_send(g.endTask, &msg);
}

// The first other slot recording live or for timeshift with a video PID, or -1.
int32_t recorderWithVideo(int32_t h) {
  for (int32_t i = 0; i < kDvrSlots; ++i) {
    const DvrSlot& s = g.slots[i];
    if (i != h && g.used[i] && (s.argument == DVR_IMPULSE_RECORDING || s.argument == DVR_TIMESHIFT_RECORDING) &&
        s.videoPid() != kDvrNoPid && s.videoPid() != 0)
      return i;
  }
  return -1;
}

bool unwritten(const DvrSlot& s, int64_t entry) {
  return s.index && (entry < 0 || entry >= s.indexEntries || s.index[2 * entry + 1] == 0);
}

// Trick play needs ten index entries ahead (fast forward) or behind (rewind) of the current one.
bool trickRefused(const DvrSlot& s, int32_t command) {
  for (int64_t k = 0; k < 10; ++k) {
    int64_t entry = command == DVR_CMD_FF ? s.currentEntry + k : s.currentEntry - k;
    if ((command == DVR_CMD_FF && entry == 32768) || (command == DVR_CMD_RW && entry == 0)) return true;
    if (unwritten(s, entry)) return true;
  }
  return false;
}

bool isRecordingKind(int32_t a) {
  return a == DVR_IMPULSE_RECORDING || a == DVR_TIMESHIFT_RECORDING || a == DVR_TIMER_RECORDING;
}

}  // namespace

int32_t dvr_open(const DvrSlot* params, int32_t* handle) {
  std::lock_guard guard(g.lock);
  if (!g.started) {
    for (int32_t i = 0; i < kDvrSlots; ++i) g.used[i] = false;
    g.started = true;
  }
  // Started with the first open, and again by a later one if it could not start or has ended; the
  // slots in use stay as they are.
  if (g.endTask < 0) g.endTask = process_create(endTask, nullptr, 0, 1024, "simEndPlayingTask");
  int32_t h = 0;
  while (h < kDvrSlots && g.used[h]) ++h;
  if (h == kDvrSlots) return DVR_NO_SLOT;
  DvrSlot& s = g.slots[h];
  s = params ? *params : DvrSlot{};
  s.packetCounter = 0;
  s.position = 0;
  s.argument = 0;
  s.state = DVR_STATE_IDLE;
  s.command = 0;
  s.currentEntry = 0;
  s.index = nullptr;
  s.indexEntries = 0;
  s.word24 = 0x7FFFFFFF;
  s.word25 = 0;
  g.used[h] = true;
  if (handle) *handle = h;
  return DVR_OK;
}

int32_t dvr_close(int32_t h) {
  if (!validHandle(h)) return DVR_OK;
  std::lock_guard guard(g.lock);
  DvrSlot& s = g.slots[h];
  s.packetCounter = 0;
  s.position = 0;
  s.currentEntry = 0;
  s.index = nullptr;
  s.indexEntries = 0;
  s.state = DVR_STATE_IDLE;
  s.argument = 0;
  s.command = DVR_CMD_STOP;
  g.used[h] = false;
  return DVR_OK;
}

int32_t dvr_command(int32_t h, int32_t command, int32_t argument) {
  if (!validHandle(h)) return DVR_BAD_HANDLE;
  std::unique_lock guard(g.lock);
  DvrSlot& s = g.slots[h];
  if (command == DVR_CMD_NOP) return DVR_OK;
  if (command == DVR_CMD_PLAY_AUDIO || command == DVR_CMD_PLAY_AUDIO2) {
    requestEnd(h);
    s.state = DVR_STATE_PLAYING;
    return DVR_OK;
  }
  if (command == DVR_CMD_RECORD && isRecordingKind(s.argument) && isRecordingKind(argument) && argument != s.argument) {
    // A recording changes kind; a timeshift becoming a timer recording keeps the file from its start.
    if (s.argument == DVR_TIMESHIFT_RECORDING && argument == DVR_TIMER_RECORDING) storage_seek(s.mediaHandle, 0, 0);
    s.argument = argument;
    return DVR_OK;
  }
  int32_t liveRecorder = -1;
  for (int32_t i = 0; i < kDvrSlots; ++i)
    if (i != h && g.used[i] && g.slots[i].argument == DVR_IMPULSE_RECORDING) liveRecorder = i;
  bool live = liveRecorder >= 0;

  int32_t found = -1;
  if (command == DVR_CMD_FF || command == DVR_CMD_RW) {
    found = recorderWithVideo(h);
    if (!s.index && s.currentEntry == 0 && found >= 0) {
      s.index = g.slots[found].index;
      s.indexEntries = g.slots[found].indexEntries;
      s.currentEntry = g.slots[found].currentEntry - 1;
    }
    if (trickRefused(s, command)) return DVR_TRICK_REFUSED;
  }

  if (s.state == DVR_STATE_PLAYING && !live && !(argument != 0 && argument == s.argument)) s.state = DVR_STATE_IDLE;
  if (s.state >= DVR_STATE_RECORDING && s.state <= DVR_STATE_TRICK_RECORDING) s.state = DVR_STATE_IDLE;

  switch (command) {
    case DVR_CMD_PLAY:
      s.state = DVR_STATE_PLAYING;
      s.command = DVR_CMD_PLAY;
      if (live) return DVR_OK;
      s.argument = argument;
      requestEnd(h);
      break;
    case DVR_CMD_STOP:
      s.packetCounter = 0;
      s.currentEntry = 0;
      break;
    case DVR_CMD_PAUSE:
      break;
    case DVR_CMD_FF:
    case DVR_CMD_RW:
      if (live && found >= 0) {
        g.slots[found].state = DVR_STATE_TRICK_RECORDING;
        g.slots[found].argument = DVR_TIMESHIFT_RECORDING;
      }
      if (command == s.command && argument == s.argument) return DVR_OK;
      s.command = command;
      s.argument = argument;
      s.state = DVR_STATE_PLAYING;
      requestEnd(h);
      break;
    case DVR_CMD_RECORD: {
      s.argument = argument;
      int32_t pid = 0;
      if (video_status(&pid) == 1 && pid == s.videoPid())
        std::printf("\n\n\t[DVR API ERROR] VIDEO PID IS BEING COLLECTED, MUST STOP VIDEO FIRST\n\n");
      if (audio_status(&pid) == 1 && pid == s.audioPid())
        std::printf("\n\n\t[DVR API ERROR] AUDIO PID IS BEING COLLECTED, MUST STOP AUDIO FIRST\n\n");
      s.state = DVR_STATE_RECORDING;
      s.command = DVR_CMD_RECORD;
      break;
    }
    default:
      break;
  }
  guard.unlock();
  process_sleep(10);
  return DVR_OK;
}

int32_t dvr_step(int32_t, int32_t) { return DVR_OK; }
int32_t dvr_jump(int32_t, int32_t) { return DVR_OK; }

int32_t dvr_getPlayInfo(int32_t, DvrPlayInfo* info) {
  if (info) {
    info->totalSeconds = 7200;
    info->elapsedSeconds = 143;
  }
  return DVR_OK;
}

int32_t dvr_freePlayInfo(DvrPlayInfo* info) {
  if (info && info->markCount != 0) {
    pool_free(POOL_DVR, info->marks, info->markCount * static_cast<int32_t>(sizeof(uint32_t)));
    info->marks = nullptr;
    info->markCount = 0;
  }
  return DVR_OK;
}

int32_t dvr_recordingCapacity(const char*, int32_t* sizeMb, int32_t* rateKbit, int32_t* freeSeconds) {
  const int32_t rate = 5120;
  if (sizeMb) *sizeMb = kStorageDiskMegabytes;
  if (rateKbit) *rateKbit = rate;
  if (freeSeconds) *freeSeconds = storage_freeMegabytes("usb") * 1024 / (rate / 8);
  return DVR_OK;
}

void dvr_setMode(int32_t value) {
  std::lock_guard guard(g.lock);
  g.mode = value;
}

bool dvr_slot(int32_t h, DvrSlot* out) {
  if (!validHandle(h)) return false;
  std::lock_guard guard(g.lock);
  if (!g.used[h]) return false;
  if (out) *out = g.slots[h];
  return true;
}

void dvr_setEndDelayMs(int32_t ms) { g.endDelayMs = ms < 0 ? 0 : ms; }
