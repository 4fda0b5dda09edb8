#include "runtime/input/key_tables.h"

#include <gtest/gtest.h>

#include <map>

#include "runtime/input/key_event.h"
#include "runtime/input/remote_keys.h"

namespace {

TEST(KeyTables, FirstTranslation) {
  const std::map<uint16_t, uint16_t> changed = {
      {13, 10},    {20, 404},   {113, 404},  {114, 405},  {115, 406},  {116, 459},
      {117, 500},  {0x60, '0'}, {0x61, '1'}, {0x62, '2'}, {0x63, '3'}, {0x64, '4'},
      {0x65, '5'}, {0x66, '6'}, {0x67, '7'}, {0x68, '8'}, {0x69, '9'},
  };
  for (uint32_t vk = 0; vk < 0x10000; ++vk) {
    auto it = changed.find(uint16_t(vk));
    EXPECT_EQ(input_firstTranslation(uint16_t(vk)), it == changed.end() ? vk : it->second) << vk;
  }
}

// Every code of the keyboard sources: the 30 pairs, the letters, and nothing else.
TEST(KeyTables, KeyboardTableInFull) {
  std::map<uint16_t, uint16_t> expected = {
      {32, 32},   {500, 3859}, {459, 3857}, {27, 27},   {188, 3910}, {190, 3911}, {36, 3923},
      {35, 3924}, {46, 403},   {404, 404},  {405, 405}, {406, 406},  {10, 10},    {37, 37},
      {38, 38},   {39, 39},    {40, 40},    {8, 8},     {33, 33},    {34, 34},
  };
  for (uint16_t digit = '0'; digit <= '9'; ++digit) expected[digit] = digit;
  ASSERT_EQ(expected.size(), 30u);
  for (uint16_t letter = 'A'; letter <= 'Z'; ++letter) expected[letter] = letter;
  for (uint16_t letter = 'a'; letter <= 'z'; ++letter) expected[letter] = letter;
  for (uint8_t source : {0, 2, 3}) {
    for (uint32_t code = 0; code < 0x10000; ++code) {
      auto it = expected.find(uint16_t(code));
      EXPECT_EQ(input_translate(source, uint16_t(code)), it == expected.end() ? kKeyNone : it->second)
          << "source " << int(source) << " code " << code;
    }
  }
}

TEST(KeyTables, FrontPanelTableAndSilentSources) {
  const std::map<uint16_t, uint16_t> expected = {{8, 3840},  {32, 3860}, {1, 10},   {2, 3923},
                                                 {64, 3924}, {4, 3921},  {16, 3922}};
  for (uint32_t code = 0; code < 0x10000; ++code) {
    auto it = expected.find(uint16_t(code));
    ASSERT_EQ(input_translate(1, uint16_t(code)), it == expected.end() ? kKeyNone : it->second) << code;
    for (uint8_t source : {4, 5, 6, 255}) ASSERT_EQ(input_translate(source, uint16_t(code)), kKeyNone) << code;
  }
}

// Keys of the keyboard as they come out of both translations.
TEST(KeyTables, PcKeysEndToEnd) {
  struct Case {
    const char* key;
    uint16_t vk;
    uint16_t code;
  } cases[] = {
      {"Tab", 9, kKeyNone}, {"Insert", 45, kKeyNone}, {"F12", 123, kKeyNone}, {"F1", 112, 'p'},
      {"F7", 118, 'v'},     {"F8", 119, 'w'},         {"F9", 120, 'x'},       {"F11", 122, 'z'},
      {"KP *", 0x6A, 'j'},  {"KP +", 0x6B, 'k'},      {"KP -", 0x6D, 'm'},    {"KP .", 0x6E, 'n'},
      {"KP /", 0x6F, 'o'},  {"KP 7", 0x67, '7'},      {"Enter", 13, 10},      {"Caps Lock", 20, 404},
      {"F5", 116, 3857},    {"F6", 117, 3859},        {"Home", 36, 3923},     {"End", 35, 3924},
      {"Delete", 46, 403},  {"Comma", 188, 3910},     {"Period", 190, 3911},
  };
  for (const Case& c : cases) EXPECT_EQ(input_translate(0, input_firstTranslation(c.vk)), c.code) << c.key;
}

TEST(KeyTables, TypedCharacters) {
  struct Case {
    char16_t typed;
    uint16_t code;
  } cases[] = {{'#', 3924}, {'$', 3923}, {'.', 403}, {',', kKeyNone}, {'&', 38},  {'%', 37},
               {'\'', 39},  {'(', 40},   {'!', 33},  {'"', 34},       {'q', 'q'}, {u'é', kKeyNone}};
  for (const Case& c : cases) EXPECT_EQ(input_translate(0, c.typed), c.code) << int(c.typed);
}

TEST(RemoteKeys, NamesAndChords) {
  EXPECT_EQ(remote_keyCode("KEY_MENU"), 3860);
  EXPECT_EQ(remote_keyCode("menu"), 3860);
  EXPECT_EQ(remote_keyCode("KEY_NOPE"), kKeyNone);
  EXPECT_STREQ(remote_keyName(3923), "KEY_CH_UP");
  // Every chord gives a distinct named key, and no chord gives a key that a plain PC key already gives.
  int count = 0;
  const RemoteChord* chords = remote_chords(&count);
  std::map<uint16_t, int> seen;
  for (int i = 0; i < count; ++i) {
    EXPECT_NE(remote_keyName(chords[i].code), nullptr) << chords[i].keyLabel;
    EXPECT_EQ(++seen[chords[i].code], 1) << chords[i].keyLabel;
    for (uint32_t vk = 0; vk < 256; ++vk)
      EXPECT_NE(input_translate(0, input_firstTranslation(uint16_t(vk))), chords[i].code) << chords[i].keyLabel;
  }
  // The remote keys that no PC key produces all have a chord.
  for (const char* name :
       {"MENU", "POWER",    "INFO",   "RECORD",   "PAUSE",    "STOP",       "REWIND", "FORWARD", "JUMP",
        "TEXT", "TV_RADIO", "FAV",    "MUTE",     "VOL_UP",   "VOL_DOWN",   "SLEEP",  "AUDIO",   "SUBTITLE",
        "ZOOM", "MOSAIC",   "SOURCE", "SAT_INFO", "GROUP_UP", "GROUP_DOWN", "RECALL"})
    EXPECT_EQ(seen.count(remote_keyCode(name)), 1u) << name;
}

}  // namespace
