#pragma once
// The receiver identity block: 256 bytes of hardware and software version bytes, feature bits and a
// 16-byte model name, copied at start-up from the built-in default into the working copy.
#include <cstdint>

constexpr int32_t kIdentitySize = 256;

struct ReceiverIdentity {
  uint8_t hardwareVersion;
  uint8_t softwareMajor;
  uint8_t softwareMinor;
  uint8_t softwareBuild;
  uint32_t features;
  char modelName[17];  // 16 bytes and a terminator
};

// Copies the default block into the working copy and decodes it.
void identity_init();
const uint8_t* identity_block();  // the working copy
ReceiverIdentity identity_decode(const uint8_t* block);
