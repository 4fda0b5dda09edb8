#pragma once
// The boot logo: an MPEG-2 still in "data/logo.zip", shown in the video plane once per run.

constexpr const char* kBootLogoArchive = "data/logo.zip";
constexpr const char* kBootLogoFile = "data/logo/bootlogo.m2v";  // the member "bootlogo.m2v" matches

// The first time only: finds the logo, has the video decoder show it and flushes the whole screen.
// True when a logo was shown; without one the video plane keeps its fill colour.
bool bootLogo_show();
