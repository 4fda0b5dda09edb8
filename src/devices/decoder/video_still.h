#pragma once
// The video decoder task and MPEG-2 stills: a feeder task passes a still through a 2048-byte mailbox
// to the decoder task, which decodes it and writes each finished frame into the video plane.
#include <cstdint>

#include "devices/decoder/mpeg_decoder.h"

constexpr int kStillBlockSize = 2048;

// Start-up: the task allocates the video plane (pool "IFRAME", filled with the video fill colour),
// registers it with the framebuffer and builds the colour table. Returns once the task is ready:
// 0, or -1 when it is already running or cannot start.
int video_startDecoder();
// Shutdown: the task leaves its loop, withdraws and frees the plane and its stores.
void video_stopDecoder();

// With data: decodes the still into the video plane and returns when it has been handled: 0 when a
// picture was shown, -1 when the still held no complete picture (the plane is then unchanged).
// Without data (null or size 0): fills the video plane with the fill colour.
int video_showStill(const uint8_t* data, int32_t size);
// Fills the video plane with the fill colour, flushes the whole screen and lets the boot logo be
// shown again.
void video_clearStill();
// True once per run until video_clearStill: whether start-up may show the boot logo now.
bool video_takeBootLogoTurn();

// Test hooks, called on the decoder task: every frame in display order before colour conversion,
// and every mailbox block as the decoder takes it (`last` marks the still's final block).
using StillFrameHook = void (*)(const MpegFrame& frame, void* context);
using StillBlockHook = void (*)(const uint8_t* block, int size, bool last, void* context);
void video_setFrameHook(StillFrameHook hook, void* context);
void video_setBlockHook(StillBlockHook hook, void* context);
