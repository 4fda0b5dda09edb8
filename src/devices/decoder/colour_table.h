#pragma once
// The 65536-colour table that turns decoded Y, Cb, Cr samples into video-plane colours, and the
// copy of a decoded frame into the plane through it.
#include <cstdint>

#include "devices/decoder/mpeg_decoder.h"

constexpr int kColourTableSize = 65536;

inline int colour_index(int y, int cb, int cr) { return y * 256 + (cb / 16) * 16 + cr / 16; }

// Fills table[kColourTableSize].
void colour_buildTable(uint32_t* table);

// Writes the frame at the plane's top-left corner; what lies outside the frame keeps its colour.
void colour_convertFrame(const uint32_t* table, const MpegFrame& frame, uint32_t* plane, int planeWidth,
                         int planeHeight);
