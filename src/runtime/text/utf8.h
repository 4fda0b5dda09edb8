#pragma once
// Conversions between wide strings and the 8-bit text of the program's own data.
//
// The encoder writes the units 0x0002..0x007E as one byte, 0x07FF..0xFFFF as three bytes
// (1110xxxx 10xxxxxx 10xxxxxx) and every other unit (0x0001, 0x007F..0x07FE) as two bytes
// (110xxxxx 10xxxxxx). So 0x0001 and 0x007F take two bytes and 0x07FF three: stored text relies on
// this, and the decoder reads it back unchanged.
//
// The decoder is lenient: a byte below 0x80 is that unit; 110xxxxx takes the next byte and 1110xxxx
// the next two as continuation bytes without checking them; any other byte 0x80..0xFF is the unit of
// the same value, so Latin-1 text survives. A NUL always ends the text: a sequence cut short by it
// gives its lead byte as a Latin-1 unit.
#include <cstdint>

// Decodes utf8 into dst (one unit per byte at most, so strlen + 1 units suffice) and terminates it.
// A null utf8 gives an empty string. Returns dst.
char16_t* wstr_fromUtf8(const char* utf8, char16_t* dst);
// A new NUL-terminated UTF-8 string (POOL_FTA_APPLICATION_ARRAY, free with wstr_freeUtf8); a null s
// gives an empty string. Null only when the pool refuses the block.
char* wstr_toUtf8(const char16_t* s);
void wstr_freeUtf8(char* utf8);
