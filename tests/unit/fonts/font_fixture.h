#pragma once
// Shared pieces of the font tests: small fonts written in memory, the fonts of this build, and a
// receiver root that holds them.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "graphics/font.h"
#include "pfr_writer.h"

// The build's receiver root (with data/fonts.zip) and its loose PFR files.
std::string builtRoot();
std::string builtFontFile(const char* name);  // e.g. "tires-b24_803.pfr"
std::vector<uint8_t> readBytes(const std::string& path);

// An image from rows of '#' (on) and '.' (off), top row first.
PfrImage imageOf(const std::vector<std::string>& rows, int32_t left, int32_t bottom);
std::vector<std::string> rowsOf(const FontBitmap& bitmap);

// A bitmap font with one strike of `strike` pixels: 'A', 'V', 'o', ' ', U+00E9 and U+20AC, advances
// of 6, 6, 5, 4, 5, 7 pixels, and the kerning pair (A, V) of -2 pixels.
PfrFontContent smallStrike(int32_t strike = 24);

// The outline path of an axis-aligned square, and of a 20-unit square with a 10-unit hole in it.
std::vector<PfrPathOp> squarePath(int32_t x0, int32_t y0, int32_t x1, int32_t y1);
std::vector<PfrPathOp> ringPath();

// Opens the bytes under a fresh name (the cache keys on names).
Font* openBytes(const std::vector<uint8_t>& bytes, int32_t size);

// Sets up the task tables once and points the receiver root at the build's root for the test.
class FontTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite();
  void SetUp() override;
  void TearDown() override;  // closes every font
};
