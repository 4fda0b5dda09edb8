#include "app/system/identity.h"

#include <array>
#include <cstring>

namespace {

// Layout: 0 hardware version, 1..3 software version (major, minor, build), 4..7 feature bits
// (little-endian), 16..31 model name (NUL-padded); the rest is reserved and zero.
constexpr std::array<uint8_t, kIdentitySize> makeDefault() {
  std::array<uint8_t, kIdentitySize> block{};
  block[0] = 1;
  block[1] = 0;
  block[2] = 0;
  block[3] = 2;
  const char model[] = "SIMULATOR";
  for (size_t i = 0; i + 1 < sizeof(model); ++i) block[16 + i] = uint8_t(model[i]);
  return block;
}

constexpr std::array<uint8_t, kIdentitySize> kDefault = makeDefault();
std::array<uint8_t, kIdentitySize> g_identity{};

}  // namespace

void identity_init() { g_identity = kDefault; }

const uint8_t* identity_block() { return g_identity.data(); }

ReceiverIdentity identity_decode(const uint8_t* block) {
  ReceiverIdentity identity{};
  if (!block) return identity;
  identity.hardwareVersion = block[0];
  identity.softwareMajor = block[1];
  identity.softwareMinor = block[2];
  identity.softwareBuild = block[3];
  identity.features =
      uint32_t(block[4]) | uint32_t(block[5]) << 8 | uint32_t(block[6]) << 16 | uint32_t(block[7]) << 24;
  std::memcpy(identity.modelName, block + 16, 16);
  identity.modelName[16] = '\0';
  return identity;
}
