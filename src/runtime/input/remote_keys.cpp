#include "runtime/input/remote_keys.h"

#include <algorithm>
#include <cctype>
#include <iterator>

#include "runtime/input/key_event.h"

namespace {

constexpr RemoteKeyName kNames[] = {
    {"KEY_BACK", 8},         {"KEY_OK", 10},
    {"KEY_EXIT", 27},        {"KEY_LEFT", 37},
    {"KEY_UP", 38},          {"KEY_RIGHT", 39},
    {"KEY_DOWN", 40},        {"KEY_0", 48},
    {"KEY_1", 49},           {"KEY_2", 50},
    {"KEY_3", 51},           {"KEY_4", 52},
    {"KEY_5", 53},           {"KEY_6", 54},
    {"KEY_7", 55},           {"KEY_8", 56},
    {"KEY_9", 57},           {"KEY_COLOUR_1", 403},
    {"KEY_COLOUR_2", 404},   {"KEY_COLOUR_3", 405},
    {"KEY_COLOUR_4", 406},   {"KEY_TEXT", 459},
    {"KEY_POWER", 3840},     {"KEY_EPG", 3857},
    {"KEY_INFO", 3858},      {"KEY_LIST", 3859},
    {"KEY_MENU", 3860},      {"KEY_SAT_INFO", 3861},
    {"KEY_SOURCE", 3862},    {"KEY_MOSAIC", 3863},
    {"KEY_SLEEP", 3865},     {"KEY_TV_RADIO", 3872},
    {"KEY_SUBTITLE", 3873},  {"KEY_AUDIO", 3874},
    {"KEY_ZOOM", 3875},      {"KEY_FAV", 3876},
    {"KEY_GROUP_UP", 3877},  {"KEY_GROUP_DOWN", 3878},
    {"KEY_RECALL", 3879},    {"KEY_PAUSE", 3904},
    {"KEY_STOP", 3905},      {"KEY_RECORD", 3906},
    {"KEY_REWIND", 3908},    {"KEY_FORWARD", 3909},
    {"KEY_SKIP_BACK", 3910}, {"KEY_SKIP_FORWARD", 3911},
    {"KEY_JUMP", 3912},      {"KEY_MUTE", 3920},
    {"KEY_VOL_UP", 3921},    {"KEY_VOL_DOWN", 3922},
    {"KEY_CH_UP", 3923},     {"KEY_CH_DOWN", 3924},
};

// Ctrl + key. Letters are mnemonic where they can be; the arrows and page keys give the paired keys.
constexpr RemoteChord kChords[] = {
    {'P', "P", 3840},        // power
    {'M', "M", 3860},        // menu
    {'I', "I", 3858},        // info
    {'R', "R", 3906},        // record
    {32, "Space", 3904},     // pause
    {'S', "S", 3905},        // stop
    {37, "Left", 3908},      // rewind
    {39, "Right", 3909},     // forward
    {'J', "J", 3912},        // jump
    {'T', "T", 459},         // text
    {'V', "V", 3872},        // TV/radio
    {'F', "F", 3876},        // favourites
    {'U', "U", 3920},        // mute
    {38, "Up", 3921},        // volume up
    {40, "Down", 3922},      // volume down
    {'L', "L", 3865},        // sleep
    {'A', "A", 3874},        // audio
    {'B', "B", 3873},        // subtitle
    {'Z', "Z", 3875},        // zoom
    {'G', "G", 3863},        // mosaic (grid)
    {'O', "O", 3862},        // source
    {'D', "D", 3861},        // satellite information (dish)
    {33, "PageUp", 3877},    // group up
    {34, "PageDown", 3878},  // group down
    {8, "Backspace", 3879},  // recall
};

bool sameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (std::toupper(static_cast<unsigned char>(a[i])) != std::toupper(static_cast<unsigned char>(b[i]))) return false;
  return true;
}

}  // namespace

const RemoteKeyName* remote_keyNames(int* count) {
  if (count) *count = int(std::size(kNames));
  return kNames;
}

uint16_t remote_keyCode(std::string_view name) {
  for (const RemoteKeyName& key : kNames) {
    std::string_view full = key.name;
    if (sameName(name, full) || sameName(name, full.substr(4))) return key.code;
  }
  return kKeyNone;
}

const char* remote_keyName(uint16_t code) {
  for (const RemoteKeyName& key : kNames)
    if (key.code == code) return key.name;
  return nullptr;
}

const RemoteChord* remote_chords(int* count) {
  if (count) *count = int(std::size(kChords));
  return kChords;
}

uint16_t remote_chordCode(uint16_t virtualKey) {
  for (const RemoteChord& chord : kChords)
    if (chord.virtualKey == virtualKey) return chord.code;
  return kKeyNone;
}

std::string remote_keyMapText() {
  std::string text =
      "Keys (PC key -> remote key):\n"
      "  Enter -> KEY_OK          Esc -> KEY_EXIT          Backspace -> KEY_BACK\n"
      "  Arrows -> KEY_LEFT/UP/RIGHT/DOWN                  Space -> 32\n"
      "  0-9, keypad 0-9 -> KEY_0..KEY_9                   Page Up/Down -> 33/34 (page)\n"
      "  Home -> KEY_CH_UP        End -> KEY_CH_DOWN\n"
      "  Delete -> KEY_COLOUR_1   F2, Caps Lock -> KEY_COLOUR_2\n"
      "  F3 -> KEY_COLOUR_3       F4 -> KEY_COLOUR_4\n"
      "  F5 -> KEY_EPG            F6 -> KEY_LIST\n"
      "  Comma -> KEY_SKIP_BACK   Period -> KEY_SKIP_FORWARD\n"
      "  Letters -> their own codes (P: recordings list)\n"
      "Remote keys without a PC key (Ctrl + key):\n";
  int column = 0;
  for (const RemoteChord& chord : kChords) {
    std::string entry = std::string("  Ctrl+") + chord.keyLabel + " -> " + remote_keyName(chord.code);
    if (++column % 2 == 0) {
      text += entry + '\n';
    } else {
      entry.resize(std::max<size_t>(entry.size(), 34), ' ');
      text += entry;
    }
  }
  if (column % 2 != 0) {
    while (!text.empty() && text.back() == ' ') text.pop_back();
    text += '\n';
  }
  return text;
}
