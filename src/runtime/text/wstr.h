#pragma once
// Wide strings: NUL-terminated sequences of 16-bit code units. Every operation accepts null strings
// and then does what its comment says; lengths count code units. Strings handed out by this module
// (and by utf8.h and dvbtext.h) are blocks of POOL_FTA_APPLICATION_ARRAY; release them with
// wstr_free / wstr_freeUtf8.
#include <cstdint>

int32_t wstr_length(const char16_t* s);  // 0 for null

// Copies src with its terminator; returns dst. Does nothing when either is null.
char16_t* wstr_copy(char16_t* dst, const char16_t* src);
// Copies at most n units of src and always terminates, so dst needs n + 1 units. Returns dst.
char16_t* wstr_copyN(char16_t* dst, const char16_t* src, int32_t n);
// Appends src to dst; returns dst. Does nothing when either is null.
char16_t* wstr_append(char16_t* dst, const char16_t* src);

// Ordinal comparison of code units: -1, 0 or 1. A null string sorts before any other; two nulls are equal.
int wstr_compare(const char16_t* a, const char16_t* b);
// The same on case-folded units (the "uppercase.dat" table), the second over at most n units. When the
// table cannot be loaded they compare nothing and return 0.
int wstr_compareNoCase(const char16_t* a, const char16_t* b);
int wstr_compareNoCaseN(const char16_t* a, const char16_t* b, int32_t n);
// The first position in text where pattern matches on folded units; null if none, for null
// arguments, or when the folding table cannot be loaded. An empty pattern matches at the start.
const char16_t* wstr_findNoCase(const char16_t* text, const char16_t* pattern);

// Each byte becomes the code unit of the same value; dst is terminated and returned. The N form
// widens exactly `count` bytes (dst needs count + 1 units).
char16_t* wstr_fromLatin1(const char* bytes, char16_t* dst);
char16_t* wstr_fromLatin1N(const char* bytes, int32_t count, char16_t* dst);

// Digits of value in radix 2..16 (lower-case letters). Radix 10 writes a '-' for negative values;
// the other radixes write the value's 32-bit two's complement. A radix outside 2..16 gives an
// empty string. dst needs 34 units. Returns dst.
char16_t* wstr_fromInt(int32_t value, char16_t* dst, int radix);
// value formatted as "%.*f" (precision clamped to 0..30; dst needs 352 units). Returns dst.
char16_t* wstr_fromFloat(char16_t* dst, double value, int precision);

// Reads the number at the end of s, from its last unit backwards: every unit that is a digit of
// radix (0-9, a-f, A-F) adds its value times radix^k, k counting from the right; the first other unit
// stops it. A '-' that stopped it as the first unit of s negates the result. *end (when end is not
// null) receives the unit that stopped the reading, or s when the whole string was read.
// "abc123" gives 123 with *end at 'c'; "12a" in radix 10 gives 0. The arithmetic wraps at 32 bits.
int32_t wstr_parseInt(const char16_t* s, const char16_t** end, int radix);
// Reads the run of digits, '.' and '-' at the start of s, backwards: digits add digit * 10^k, a '.'
// makes the current 10^k the divisor, any other unit ends the reading. A '-' as the first unit of s
// negates. *end receives the position after the run.
double wstr_parseFloat(const char16_t* s, const char16_t** end);

// Releases a wide string handed out by this module (its size is taken from its length).
void wstr_free(char16_t* s);
