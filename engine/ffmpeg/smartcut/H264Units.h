#pragma once
// Just enough of the H.264 byte stream to splice it: NAL units of Annex B and length-prefixed packets,
// IDR detection and the ids of parameter sets.
#include <cstdint>
#include <set>
#include <vector>

namespace engine::ff {

struct NalUnit {
    const uint8_t* data = nullptr; // starts with the NAL header byte
    int size = 0;
    int type() const { return size > 0 ? data[0] & 0x1f : -1; }
};

// Units of an Annex B buffer (start codes) or, when nalLengthSize > 0, of a length-prefixed one.
std::vector<NalUnit> splitNalUnits(const uint8_t* data, int size, int nalLengthSize = 0);

bool containsIdr(const std::vector<NalUnit>& units);

// The SPS and PPS units of a buffer, as Annex B (start code + unit each).
std::vector<uint8_t> parameterSetsAnnexB(const std::vector<NalUnit>& units);

// Ids used by the SPS and PPS units (both id spaces together).
std::set<int> parameterSetIds(const std::vector<NalUnit>& units);

// NAL length size of an avcC record; 0 when the record is Annex B or empty.
int avccLengthSize(const uint8_t* extradata, int size);

} // namespace engine::ff
