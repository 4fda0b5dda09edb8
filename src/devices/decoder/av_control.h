#pragma once
// Control interface of the simulated audio and video decoders: each keeps its state and last PID and
// prints a diagnostic when called in the wrong state.
#include <cstdint>

enum DecoderState : int { kDecoderStopped = 0, kDecoderStarted = 1, kDecoderPaused = 2 };

// Handles: 0x43210000 (audio) or 0x12340000 (video) + 256 x opens so far (this one included) + index.
uint32_t audio_open(int index);
int audio_status(int* pid);  // the state; *pid receives the last PID set
int audio_setPid(uint32_t handle, int pid);
int audio_setSource(uint32_t handle, int source);
int audio_start(uint32_t handle, int codec, int sampleRate);
int audio_pause();
int audio_resume();  // back to started from paused
int audio_stop(uint32_t handle);
int audio_mode(uint32_t handle, int mode);  // 0 for modes 0 and 1, -1 otherwise
int audio_setVolume(uint32_t handle, int level);
int audio_setMute(uint32_t handle, int on);
int audio_setOutput(uint32_t handle, int output);

uint32_t video_open(int index);
int video_status(int* pid);
int video_setPid(uint32_t handle, int pid);
int video_setSource(uint32_t handle, int source);
int video_start(uint32_t handle);
int video_pause();
int video_resume();
int video_stop(uint32_t handle);
int video_setWindow(uint32_t handle, int x, int y, int width, int height);
int video_setFormat(uint32_t handle, int format);
int video_activatePIP(uint32_t handle, int x, int y, int width, int height);
int video_deactivatePIP(uint32_t handle);

// Back to two stopped decoders, no PIDs and no opens (for tests).
void av_reset();
