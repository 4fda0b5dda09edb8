#pragma once
// Message boxes: an SDL message box over the window when one is open; otherwise the answerer that a
// headless run installs (the scripted remote), or the default answer. Every box is also printed to
// standard output with its caption and text.
#include <cstdint>

enum class BoxButtons { Ok, YesNo };
enum class BoxIcon { Information, Warning, Error, Question };
enum class BoxAnswer { Ok, Yes, No };

// Shows the box and waits for the answer (main thread when a window is open). Headless without an
// answerer: Ok for an Ok box, No for a question.
BoxAnswer host_messageBox(const char* caption, const char* text, BoxButtons buttons, BoxIcon icon);

// Answers boxes in headless runs (and in windowed runs when set, for tests). Null restores the default.
using BoxAnswerer = BoxAnswer (*)(const char* caption, const char* text, BoxButtons buttons, void* context);
void host_setMessageBoxAnswerer(BoxAnswerer answerer, void* context);
