#include "runtime/input/key_tables.h"

#include <iterator>

#include "runtime/input/key_event.h"

namespace {

struct KeyPair {
  uint16_t in;
  uint16_t out;
};

// Keyboard and typed characters, searched in this order.
constexpr KeyPair kTableA[] = {
    {32, 32},  {500, 3859}, {459, 3857}, {27, 27},   {188, 3910}, {190, 3911}, {36, 3923}, {35, 3924},
    {46, 403}, {404, 404},  {405, 405},  {406, 406}, {10, 10},    {37, 37},    {38, 38},   {39, 39},
    {40, 40},  {8, 8},      {33, 33},    {34, 34},   {48, 48},    {49, 49},    {50, 50},   {51, 51},
    {52, 52},  {53, 53},    {54, 54},    {55, 55},   {56, 56},    {57, 57},
};
static_assert(std::size(kTableA) == 30);

// The front panel's buttons.
constexpr KeyPair kTableB[] = {
    {8, 3840}, {32, 3860}, {1, 10}, {2, 3923}, {64, 3924}, {4, 3921}, {16, 3922},
};

template <size_t N>
const KeyPair* find(const KeyPair (&table)[N], uint16_t code) {
  for (const KeyPair& pair : table)
    if (pair.in == code) return &pair;
  return nullptr;
}

}  // namespace

uint16_t input_firstTranslation(uint16_t virtualKey) {
  switch (virtualKey) {
    case 13:  // Enter
      return 10;
    case 20:   // Caps Lock
    case 113:  // F2
      return 404;
    case 114:  // F3
      return 405;
    case 115:  // F4
      return 406;
    case 116:  // F5
      return 459;
    case 117:  // F6
      return 500;
    default:
      break;
  }
  if (virtualKey >= 0x60 && virtualKey <= 0x69) return uint16_t('0' + (virtualKey - 0x60));  // keypad digits
  return virtualKey;
}

uint16_t input_translate(uint8_t source, uint16_t code) {
  switch (source) {
    case 0:
    case 2:
    case 3: {
      if (const KeyPair* pair = find(kTableA, code)) return pair->out;
      bool letter = (code >= 'A' && code <= 'Z') || (code >= 'a' && code <= 'z');
      return letter ? code : kKeyNone;
    }
    case 1: {
      const KeyPair* pair = find(kTableB, code);
      return pair ? pair->out : kKeyNone;
    }
    default:
      return kKeyNone;
  }
}
