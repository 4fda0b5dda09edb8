#pragma once
// PSI/SI section building (ISO/IEC 13818-1, ETSI EN 300 468): descriptors, long-form sections with
// CRC_32, and the splitting of a table's entries over several sections.
#include <string>
#include <vector>

#include "bytes.h"
#include "fixture.h"

namespace streamgen {

// Descriptor builders; each returns the whole descriptor (tag, length, body).
namespace dr {
Bytes make(unsigned tag, const Bytes& body);
Bytes language(const std::string& lang, unsigned audioType);                                  // 0x0A
Bytes ca(unsigned system, unsigned pid);                                                      // 0x09
Bytes streamIdentifier(unsigned tag);                                                         // 0x52
Bytes teletext(const std::vector<TeletextPage>& pages);                                       // 0x56
Bytes subtitling(const std::vector<SubtitleEntry>& entries);                                  // 0x59
Bytes vbiData();                                                                              // 0x45, one VPS line
Bytes networkName(const Text& name);                                                          // 0x40
Bytes serviceList(const std::vector<std::pair<unsigned, unsigned>>& s);                       // 0x41 (service id, type)
Bytes delivery(const Delivery& d, const Fixture& f);                                          // 0x43, 0x44 or 0x5A
Bytes linkage(unsigned tsid, unsigned onid, unsigned sid, unsigned type, const Bytes& priv);  // 0x4A
Bytes privateDataSpecifier(uint32_t value);                                                   // 0x5F
Bytes logicalChannels(const std::vector<std::pair<unsigned, unsigned>>& lcn);   // 0x83 (service id, number)
Bytes service(unsigned type, const Text& provider, const Text& name);           // 0x48
Bytes shortEvent(const std::string& lang, const Text& name, const Text& text);  // 0x4D
// 0x4E descriptors carrying the items and the text, as many as needed.
std::vector<Bytes> extendedEvent(const std::string& lang, const std::vector<std::pair<Text, Text>>& items,
                                 const Text& text);
Bytes component(unsigned content, unsigned type, unsigned tag, const std::string& lang);       // 0x50
Bytes content(unsigned nibbles);                                                               // 0x54
Bytes parentalRating(const std::string& country, unsigned rating);                             // 0x55
Bytes localTimeOffset(const std::string& country, unsigned region, int minutes, int64_t now);  // 0x58
}  // namespace dr

// Satellite / cable / terrestrial field codes written into the delivery descriptors.
unsigned fecCode(const std::string& fec);                   // 0 undefined, 1 = 1/2 ... 15 none
unsigned cableModulationCode(const std::string&);           // 1 = 16QAM ... 5 = 256QAM
unsigned terrestrialConstellationCode(const std::string&);  // 0 QPSK, 1 16QAM, 2 64QAM

// One long-form section: 8-byte header, `body`, CRC_32.
Bytes longSection(unsigned tableId, unsigned extension, unsigned version, unsigned number, unsigned last,
                  const Bytes& body);

// Groups entries into at least `minSections` sections whose body (prefix + entries) stays within
// `maxBody` bytes; returns the entry index ranges [first, end) of each section.
std::vector<std::pair<size_t, size_t>> splitEntries(const std::vector<Bytes>& entries, size_t prefixSize,
                                                    size_t maxBody, unsigned minSections);

// A descriptor loop with its 12-bit length (4 reserved bits set).
Bytes loop(const std::vector<Bytes>& descriptors);

}  // namespace streamgen
