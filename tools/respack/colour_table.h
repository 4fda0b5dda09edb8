#pragma once
// The skin colour table: nine groups of six colours and three prompt colours per skin, from a readable
// source, written as the record table "skin/Colors.dat" (236-byte records, class 78, id = skin index).
#include <array>
#include <cstdint>
#include <string>
#include <vector>

constexpr int kSkinCount = 9;
constexpr int kColourGroups = 9;
constexpr int kColoursPerGroup = 6;
constexpr int kSkinColours = kColourGroups * kColoursPerGroup + 3;  // 57
constexpr int kSkinRecordBytes = 8 + 4 * kSkinColours;              // 236
constexpr uint16_t kThemeColorClass = 78;

using SkinColours = std::array<uint32_t, kSkinColours>;  // ARGB, alpha 0xFF

// Parses the source. Lines: "skin A" or "skin A-B" starts the colours of those skins; then
// "group G w0 .. w5" (G = 0..8) and "prompt p0 p1 p2", colours as RRGGBB hex. Every skin 0..8 must be
// given exactly once, with every group and the prompt colours. Errors go to `errors`.
std::vector<SkinColours> colours_parse(const std::string& source, std::vector<std::string>& errors);

// The record-table member: a zero 16-byte header, then one record per skin in index order.
std::vector<uint8_t> colours_encode(const std::vector<SkinColours>& skins);
// Reads the member back; false on a malformed table.
bool colours_decode(const uint8_t* data, size_t size, std::vector<SkinColours>& skins);

// WCAG 2 contrast ratio of two colours (alpha ignored), 1..21.
double colours_contrast(uint32_t a, uint32_t b);

// The text-on-fill pairs that the looks draw, as {group, text word, fill word}; a group of 9 means the
// prompt colours (fill word 0..2) under group 7's text.
struct ColourPair {
  int group;
  int text;
  int fill;
};
const std::vector<ColourPair>& colours_textPairs();
// Pairs below 4.5:1, as readable messages.
std::vector<std::string> colours_checkContrast(const SkinColours& colours, int skin);
