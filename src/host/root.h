#pragma once
// The receiver root: the one host folder the receiver reads and writes, and the mapping of the
// receiver's own paths ("\streams\sat\x.ts", "/mhp/fs_flash", "data/Channel.dat") into it.
#include <string>
#include <string_view>

// Sets the root folder (default "."). Not thread-safe against concurrent mapping: set it at start-up.
void host_setRoot(std::string_view folder);
const std::string& host_root();

// Maps a receiver path to a host path inside the root: '\' becomes '/', leading separators are
// dropped, the device prefix "pqn/kelvo/app/kelvo/flash" is matched without regard to case and
// always spelled in lower case, repeated separators collapse. A path that would leave the root
// (a ".." component) or is empty maps to "" (callers treat that as "not found").
std::string host_mapPath(std::string_view receiverPath);
