#pragma once
// The two translations of a key: the window's first translation of a virtual-key code, and the input
// task's translation of an incoming code into a receiver key code by input source.
#include <cstdint>

// Enter becomes 10, Caps Lock and F2..F6 the colour, EPG and list codes, keypad digits the digit
// characters; anything else is returned unchanged.
uint16_t input_firstTranslation(uint16_t virtualKey);

// Sources 0, 2 and 3 use the keyboard table (letters pass, anything else not in the table gives
// kKeyNone), source 1 the front-panel table, sources 4 and 5 and unknown sources give kKeyNone.
uint16_t input_translate(uint8_t source, uint16_t code);
