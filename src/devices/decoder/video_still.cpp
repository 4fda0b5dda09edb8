#include "devices/decoder/video_still.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstring>

#include "devices/decoder/colour_table.h"
#include "graphics/fb.h"
#include "graphics/gc.h"
#include "runtime/pool.h"
#include "runtime/process.h"

namespace {

constexpr int32_t kPlanePixels = kMaxPictureWidth * kMaxPictureHeight;
constexpr int32_t kPlaneBytes = kPlanePixels * 4;
constexpr int32_t kTableBytes = kColourTableSize * 4;

// One block between the feeder and the decoder. `full` is the flag the two sides hand the block over
// with; the semaphores only spare them from polling.
struct Mailbox {
  uint8_t block[kStillBlockSize];
  std::atomic<int> full{0};
  std::atomic<int> last{0};
};

struct StillTask {
  std::atomic<bool> running{false};
  int task = -1;
  int taskEnded = -1;  // unlocked by the task as its last step
  int ready = -1;      // unlocked once the plane and table exist
  int blockReady = -1;
  int blockFree = -1;
  int stillDone = -1;
  int stillLock = -1;  // one still at a time
  Mailbox mailbox;
  uint32_t* plane = nullptr;
  uint32_t* table = nullptr;
  MpegDecoder* decoder = nullptr;
  int framesThisStill = 0;
  int stillResult = -1;
};

StillTask g;
std::atomic<bool> g_bootLogoAllowed{true};
std::atomic<StillFrameHook> g_frameHook{nullptr};
std::atomic<void*> g_frameHookContext{nullptr};
std::atomic<StillBlockHook> g_blockHook{nullptr};
std::atomic<void*> g_blockHookContext{nullptr};

int lockedSemaphore() {
  int m = process_mutex_create();
  if (m >= 0) process_mutex_drain(m);
  return m;
}

void destroySemaphore(int& m) {
  if (m >= 0) process_mutex_destroy(m);
  m = -1;
}

void fillPlane(uint32_t* plane) {
  if (plane) std::fill(plane, plane + kPlanePixels, kVideoFill);
}

void onFrame(const MpegFrame& frame, void*) {
  if (g.plane && g.table) colour_convertFrame(g.table, frame, g.plane, kMaxPictureWidth, kMaxPictureHeight);
  if (StillFrameHook hook = g_frameHook.load()) hook(frame, g_frameHookContext.load());
  ++g.framesThisStill;
}

void decoderTask(void*) {
  g.plane = static_cast<uint32_t*>(pool_alloc(POOL_IFRAME, kPlaneBytes));
  if (!g.plane) std::printf("memory allocation failed");
  fillPlane(g.plane);
  fb_setVideoPlane(g.plane);
  g.table = static_cast<uint32_t*>(pool_alloc(POOL_IFRAME, kTableBytes));
  if (g.table) colour_buildTable(g.table);
  g.decoder = MpegDecoder::create(onFrame, nullptr);
  if (!g.table || !g.decoder) std::printf("memory allocation failed");
  process_mutex_unlock(g.ready);

  while (g.running.load()) {
    if (process_mutex_lock(g.blockReady) < 0 || !g.running.load()) break;
    if (!g.mailbox.full.load()) continue;
    bool last = g.mailbox.last.load() != 0;
    if (StillBlockHook hook = g_blockHook.load())
      hook(g.mailbox.block, kStillBlockSize, last, g_blockHookContext.load());
    if (g.decoder) g.decoder->feed(g.mailbox.block, kStillBlockSize);
    g.mailbox.full.store(0);
    process_mutex_unlock(g.blockFree);
    if (!last) continue;
    // The feeder marks its final block: whatever is pending is decoded now, so a still without a
    // sequence end code still shows its picture, and the caller is always released.
    if (g.decoder) g.decoder->finish();
    g.stillResult = g.framesThisStill > 0 ? 0 : -1;
    g.framesThisStill = 0;
    process_mutex_unlock(g.stillDone);
  }

  fb_setVideoPlane(nullptr);
  delete g.decoder;
  g.decoder = nullptr;
  if (g.plane) pool_free(POOL_IFRAME, g.plane, kPlaneBytes);
  if (g.table) pool_free(POOL_IFRAME, g.table, kTableBytes);
  g.plane = nullptr;
  g.table = nullptr;
  int ended = g.taskEnded;
  process_exit();
  process_mutex_unlock(ended);
}

struct FeederJob {
  uint8_t* data;
  int32_t bytes;  // a multiple of the block size
};

void feederTask(void* argument) {
  FeederJob job = *static_cast<FeederJob*>(argument);
  pool_free(POOL_IFRAME, argument, sizeof(FeederJob));
  int blocks = job.bytes / kStillBlockSize;
  for (int i = 0; i < blocks; ++i) {
    if (process_mutex_lock(g.blockFree) < 0) break;  // the decoder went away
    std::memcpy(g.mailbox.block, job.data + static_cast<ptrdiff_t>(i) * kStillBlockSize, kStillBlockSize);
    bool last = i == blocks - 1;
    // The copy is freed before the last block is handed over, so the caller, released after that
    // block, finds every block of the still returned to its pool.
    if (last) {
      pool_free(POOL_IFRAME, job.data, job.bytes);
      job.data = nullptr;
    }
    g.mailbox.last.store(last);
    g.mailbox.full.store(1);
    process_mutex_unlock(g.blockReady);
  }
  if (job.data) pool_free(POOL_IFRAME, job.data, job.bytes);
  process_exit();
}

}  // namespace

int video_startDecoder() {
  if (g.running.load()) return -1;
  g.taskEnded = lockedSemaphore();
  g.ready = lockedSemaphore();
  g.blockReady = lockedSemaphore();
  g.blockFree = process_mutex_create();
  g.stillDone = lockedSemaphore();
  g.stillLock = process_mutex_create();
  g.mailbox.full.store(0);
  g.running.store(true);
  if (g.taskEnded < 0 || g.ready < 0 || g.blockReady < 0 || g.blockFree < 0 || g.stillDone < 0 || g.stillLock < 0 ||
      (g.task = process_create(decoderTask, nullptr, 0, 16384, "video_decoder")) < 0) {
    g.running.store(false);
    for (int* m : {&g.taskEnded, &g.ready, &g.blockReady, &g.blockFree, &g.stillDone, &g.stillLock})
      destroySemaphore(*m);
    return -1;
  }
  process_mutex_lock(g.ready);
  return 0;
}

void video_stopDecoder() {
  if (!g.running.exchange(false)) return;
  process_mutex_unlock(g.blockReady);  // wake the task if it waits for a block
  process_mutex_lock(g.taskEnded);
  // Destroying the semaphores releases a feeder or caller still waiting on them.
  for (int* m : {&g.taskEnded, &g.ready, &g.blockReady, &g.blockFree, &g.stillDone, &g.stillLock}) destroySemaphore(*m);
  g.task = -1;
}

int video_showStill(const uint8_t* data, int32_t size) {
  if (!data || size <= 0) {
    fillPlane(fb_videoPlane());
    return 0;
  }
  if (!g.running.load()) {
    std::printf("\n\t[VIDEO API ERROR] video_showStill: decoder not running\n");
    return -1;
  }
  int32_t bytes =
      static_cast<int32_t>((static_cast<int64_t>(size) + kStillBlockSize - 1) / kStillBlockSize * kStillBlockSize);
  auto* job = static_cast<FeederJob*>(pool_alloc(POOL_IFRAME, sizeof(FeederJob)));
  auto* copy = static_cast<uint8_t*>(pool_alloc(POOL_IFRAME, bytes));
  if (!job || !copy) {
    std::printf("memory allocation failed");
    if (job) pool_free(POOL_IFRAME, job, sizeof(FeederJob));
    if (copy) pool_free(POOL_IFRAME, copy, bytes);
    return -1;
  }
  std::memcpy(copy, data, static_cast<size_t>(size));
  std::memset(copy + size, 0, static_cast<size_t>(bytes - size));
  *job = {copy, bytes};
  if (process_mutex_lock(g.stillLock) < 0) {
    pool_free(POOL_IFRAME, copy, bytes);
    pool_free(POOL_IFRAME, job, sizeof(FeederJob));
    return -1;
  }
  if (process_create(feederTask, job, 0, 4096, "video_stillFeeder") < 0) {
    pool_free(POOL_IFRAME, copy, bytes);
    pool_free(POOL_IFRAME, job, sizeof(FeederJob));
    process_mutex_unlock(g.stillLock);
    return -1;
  }
  int result = process_mutex_lock(g.stillDone) < 0 ? -1 : g.stillResult;
  process_mutex_unlock(g.stillLock);
  if (result < 0) std::printf("\n\t[VIDEO API ERROR] video_showStill: the still holds no complete picture\n");
  return result;
}

void video_clearStill() {
  fillPlane(fb_videoPlane());
  if (fb_osdPlane()) {
    GraphicsContext* gc = gc_newScreen();
    gc_flush(gc, 0, 0, g_screenWidth, g_screenHeight);
    gc_free(gc);
  }
  g_bootLogoAllowed.store(true);
}

bool video_takeBootLogoTurn() { return g_bootLogoAllowed.exchange(false); }

void video_setFrameHook(StillFrameHook hook, void* context) {
  g_frameHookContext.store(context);
  g_frameHook.store(hook);
}

void video_setBlockHook(StillBlockHook hook, void* context) {
  g_blockHookContext.store(context);
  g_blockHook.store(hook);
}
