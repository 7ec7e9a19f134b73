#pragma once
// CEA-608 byte pairs for captions in tests: a pop-on caption as the cc_data triplets a broadcaster
// sends, one byte pair per picture.
#include <cstdint>
#include <string>
#include <vector>

namespace avtest {

using CcTriplet = std::vector<uint8_t>; // 3 bytes: field-1 marker, two data bytes with odd parity

// Pop-on caption on row 15: load, text, end of caption (control codes sent twice, as on air), in
// data channel 1 or 2 of field 1 or 2 (CC1 = channel 1 of field 1).
std::vector<CcTriplet> popOnCaption(const std::string& text, int channel = 1, int field = 1);
// Erase displayed memory (twice).
std::vector<CcTriplet> eraseDisplayed();
// A pair of padding bytes (nothing to say).
CcTriplet padding();

} // namespace avtest
