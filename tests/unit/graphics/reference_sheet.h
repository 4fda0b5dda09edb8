#pragma once
// A screen that shows every drawing primitive and every mode: drawn into the OSD plane over a
// striped video plane, for the reviewed reference picture and the window check.
#include <cstdint>
#include <vector>

// Fills `video` (720 x 576) with the stripes and draws the sheet into the OSD plane, then flushes.
// The planes must exist.
void drawReferenceSheet(std::vector<uint32_t>& video);

// Reads the 8-bit RGB PNG files our encoder writes (filter 0 rows); false for anything else.
bool readOwnPng(const char* path, int32_t& width, int32_t& height, std::vector<uint32_t>& pixels);
