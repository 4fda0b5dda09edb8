#pragma once
// Bitmap character records: the format byte, position, size and set width fields, and the image in
// one of three formats (packed bits, nibble runs, byte runs).
#include <cstdint>
#include <vector>

#include "graphics/font.h"
#include "graphics/pfr_bytes.h"

constexpr int32_t kPfrBitmapMaxSide = 256;  // larger images are refused

// Decodes one record into `image` (bits not set) and `bits` (rows top first, byte-padded). Rows are
// stored bottom row first unless `topDown`. False when the record is malformed or too large.
bool pfr_decodeBitmap(PfrBytes record, bool topDown, FontBitmap& image, std::vector<uint8_t>& bits);
