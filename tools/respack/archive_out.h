#pragma once
// Writing the resource archives and checking what was written.
#include <cstdint>
#include <string>
#include <vector>

struct NamedBytes {
  std::string name;
  std::vector<uint8_t> data;
};

// An archive of the members (each deflated), or empty on failure.
std::vector<uint8_t> archive_build(const std::vector<NamedBytes>& members);
// Replaces `path` with the bytes through a temporary file and a rename.
bool archive_writeFile(const std::string& path, const std::vector<uint8_t>& bytes);

// Walks an archive held in memory with the receiver's zip reader: every member must be deflated and
// inflate with a matching CRC-32. The inflated members are returned; problems go to `errors`.
std::vector<NamedBytes> archive_readBack(const std::vector<uint8_t>& archive, const std::string& label,
                                         std::vector<std::string>& errors);
// The same for a nested archive: one member that is itself an archive; returns the inner members.
std::vector<NamedBytes> archive_readNested(const std::vector<uint8_t>& archive, const std::string& label,
                                           std::vector<std::string>& errors);
// Runs "unzip -tq" on the file; false (with the output in `errors`) when it does not pass.
bool archive_unzipTest(const std::string& path, std::vector<std::string>& errors);
