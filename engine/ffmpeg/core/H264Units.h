#pragma once
// Just enough of the H.264 byte stream to splice it and to leave pictures out of decoding: NAL units of
// Annex B and length-prefixed packets, IDR detection, the ids of parameter sets and reference pictures.
#include <cstdint>
#include <functional>
#include <set>
#include <vector>

namespace engine::ff {

struct NalUnit {
    const uint8_t* data = nullptr; // starts with the NAL header byte
    int size = 0;
    int type() const { return size > 0 ? data[0] & 0x1f : -1; }
    int refIdc() const { return size > 0 ? (data[0] >> 5) & 3 : 0; }
};

// Units of an Annex B buffer (start codes) or, when nalLengthSize > 0, of a length-prefixed one; `on`
// returns false to stop.
void forEachNalUnit(const uint8_t* data, int size, int nalLengthSize, const std::function<bool(const NalUnit&)>& on);
std::vector<NalUnit> splitNalUnits(const uint8_t* data, int size, int nalLengthSize = 0);

// A picture no other refers to (nal_ref_idc 0) that brings no parameter set: where non-reference pictures
// are not decoded, its packet need not reach the decoder at all.
bool isDisposablePicture(const uint8_t* data, int size, int nalLengthSize);

bool containsIdr(const std::vector<NalUnit>& units);

// The SPS and PPS units of a buffer, as Annex B (start code + unit each).
std::vector<uint8_t> parameterSetsAnnexB(const std::vector<NalUnit>& units);

// Ids used by the SPS and PPS units (both id spaces together).
std::set<int> parameterSetIds(const std::vector<NalUnit>& units);

// NAL length size of an avcC record; 0 when the record is Annex B or empty.
int avccLengthSize(const uint8_t* extradata, int size);

} // namespace engine::ff
