#pragma once
// The state dump: one JSON object whose members are sections. The remote provides the screen, the
// system, the delivered keys and the message boxes; the toolkit adds its widget tree as a section.
#include <string>

// Appends the section's JSON value (an object or an array) to *out.
using DumpWriter = void (*)(std::string* out);
void remote_addDumpSection(const char* name, DumpWriter writer);

std::string remote_dump();
bool remote_writeDump(const std::string& path);

// A JSON string literal with the quotes.
std::string jsonString(const std::string& text);
