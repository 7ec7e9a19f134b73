#include "Cea608Fixture.h"

#include <bit>

namespace avtest {
namespace {

uint8_t withParity(uint8_t b) {
    return std::popcount(unsigned(b & 0x7f)) % 2 == 0 ? uint8_t(b | 0x80) : uint8_t(b & 0x7f);
}

CcTriplet pair(uint8_t a, uint8_t b, int field = 1) {
    return {uint8_t(field == 1 ? 0xfc : 0xfd), withParity(a), withParity(b)};
}

// Control codes of channel 2 have bit 3 of their first byte set.
void control(std::vector<CcTriplet>& out, uint8_t a, uint8_t b, int channel = 1, int field = 1) {
    if (channel == 2)
        a |= 0x08;
    out.push_back(pair(a, b, field));
    out.push_back(pair(a, b, field));
}

} // namespace

CcTriplet padding() {
    return {0xfc, 0x80, 0x80};
}

std::vector<CcTriplet> popOnCaption(const std::string& text, int channel, int field) {
    std::vector<CcTriplet> out;
    control(out, 0x14, 0x20, channel, field); // resume caption loading
    control(out, 0x14, 0x60, channel, field); // row 15, column 0
    for (size_t i = 0; i < text.size(); i += 2)
        out.push_back(pair(uint8_t(text[i]), i + 1 < text.size() ? uint8_t(text[i + 1]) : 0, field));
    control(out, 0x14, 0x2f, channel, field); // end of caption: show it
    return out;
}

std::vector<CcTriplet> eraseDisplayed() {
    std::vector<CcTriplet> out;
    control(out, 0x14, 0x2c);
    return out;
}

} // namespace avtest
