#pragma once
// DVB text: the 8-bit strings of broadcast tables, decoded through the ISO/IEC 8859 code pages of
// "iso/ISO8859.dat" (charset_tables.h).
//
// Per byte b, with table t (an ISO/IEC 8859 part, 1..16):
//   b < 0x20            -> '2'
//   0x80                -> U+20AC (euro sign)
//   other b < 0xA0      -> b
//   t = 1, 0xC1..0xCF   -> a non-spacing diacritical mark of the default table: with the next byte as
//                          its base letter it composes into one character (both bytes consumed) when
//                          the pair is known; otherwise, and when no byte follows, the part-1 character
//   other b >= 0xA0     -> the character of b in part t
#include <cstdint>

// Decodes count bytes into dst (at least count + 1 units) and terminates it. Returns the number of
// characters written (one less per composed pair); 0 for null input, count <= 0, a table outside
// 1..16 or when the code-page table cannot be loaded.
int32_t dvbtext_decode(const uint8_t* bytes, char16_t* dst, int32_t count, int table);
// The same into a new wide string of POOL_FTA_APPLICATION_ARRAY (free with wstr_free), sized to the
// decoded length. Null when dvbtext_decode would decode nothing or the pool refuses.
char16_t* dvbtext_decodeAlloc(const uint8_t* bytes, int32_t count, int table);

// The character table of a DVB text field from its leading selector bytes:
//   first byte 0x20 or above     -> table 1, no selector
//   0x01..0x0B                   -> ISO/IEC 8859 parts 5..15, one selector byte
//   0x10 0x00 n                  -> ISO/IEC 8859 part n (1..11, 13..15), three selector bytes
//   0x00, 0x0C..0x0F, any other
//   0x10 form, a cut-off 0x10    -> 0: a coding this receiver does not decode
//   other bytes below 0x20       -> table 1, that one byte skipped
// *selectorLength (when not null) receives the number of selector bytes.
int dvbtext_selectTable(const uint8_t* bytes, int32_t count, int32_t* selectorLength);
// A whole text field (selector and text) decoded into a new wide string (free with wstr_free); null
// when the field is empty, its coding is not decoded, or decoding fails.
char16_t* dvbtext_decodeField(const uint8_t* bytes, int32_t count);
