#pragma once
// String bundles: the readable per-language sources (UTF-8 "id<TAB>text" lines) and the bundle
// member they become (a 16-byte record-file header, then UTF-16LE "id|65|text" lines ended by CR LF).
#include <cstdint>
#include <map>
#include <string>
#include <vector>

constexpr int kBundleRecordType = 65;
constexpr size_t kBundleLineMax = 255;  // units before the line end; 256 without one ends the table

// id -> text, in id order.
using TextTable = std::map<int32_t, std::u16string>;

// Parses one source file. Lines: "#" comments and blank lines are skipped; otherwise a decimal id, one
// or more tabs, and the text, with the escapes "\uXXXX" and "\\". Errors (bad id, duplicate id, empty
// text, a text holding "|" or a line end, a line too long for the bundle) are appended to `errors`
// as "file:line: message".
TextTable texts_parse(const std::string& source, const std::string& fileName, std::vector<std::string>& errors);
TextTable texts_load(const std::string& path, std::vector<std::string>& errors);

// The bundle member bytes for a table.
std::vector<uint8_t> bundle_encode(const TextTable& table);

// Reads a bundle member back the way the receiver's line reader does, but strictly: every line must
// parse, carry type 65, fit the line limit and end with CR LF, and ids must be unique. Errors are
// appended to `errors`; the strings read are returned.
TextTable bundle_decode(const uint8_t* data, size_t size, std::vector<std::string>& errors);

// UTF-8 <-> UTF-16 for texts of the Basic Multilingual Plane.
bool utf8_toUtf16(const std::string& in, std::u16string& out);
std::string utf16_toUtf8(const std::u16string& in);
