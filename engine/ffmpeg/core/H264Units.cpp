#include "core/H264Units.h"

#include <cstring>

namespace engine::ff {
namespace {

// Exp-Golomb ue(v) from an RBSP (no emulation bytes expected this early in a parameter set).
int readUe(const uint8_t* data, int size, int& bit) {
    int zeros = 0;
    auto next = [&]() -> int {
        if (bit >= size * 8)
            return 1;
        const int v = (data[bit >> 3] >> (7 - (bit & 7))) & 1;
        ++bit;
        return v;
    };
    while (next() == 0 && zeros < 31)
        ++zeros;
    int value = 0;
    for (int i = 0; i < zeros; ++i)
        value = (value << 1) | next();
    return (1 << zeros) - 1 + value;
}

// Where the Annex B unit after `from` starts (the byte after its 00 00 01), or -1. The 01 is looked for
// first, with memchr: compared a byte at a time, walking a 40 kB picture took 0.07 ms, 0.008 ms so (every
// packet a seek reads goes through here).
int nextUnitStart(const uint8_t* data, int size, int from) {
    for (int i = from + 2; i < size;) {
        const auto* one = static_cast<const uint8_t*>(std::memchr(data + i, 1, size_t(size - i)));
        if (!one)
            return -1;
        const int at = int(one - data);
        if (data[at - 1] == 0 && data[at - 2] == 0)
            return at + 1;
        i = at + 1;
    }
    return -1;
}

} // namespace

void forEachNalUnit(const uint8_t* data, int size, int nalLengthSize, const std::function<bool(const NalUnit&)>& on) {
    if (nalLengthSize > 0) {
        int at = 0;
        while (at + nalLengthSize <= size) {
            int len = 0;
            for (int i = 0; i < nalLengthSize; ++i)
                len = (len << 8) | data[at + i];
            at += nalLengthSize;
            if (len <= 0 || len > size - at || !on({data + at, len}))
                return;
            at += len;
        }
        return;
    }
    for (int start = nextUnitStart(data, size, 0); start >= 0 && start < size;) {
        const int next = nextUnitStart(data, size, start);
        int end = next < 0 ? size : next - 3;
        if (next >= 0)
            while (end > start && data[end - 1] == 0)
                --end;
        if (!on({data + start, end - start}))
            return;
        start = next;
    }
}

std::vector<NalUnit> splitNalUnits(const uint8_t* data, int size, int nalLengthSize) {
    std::vector<NalUnit> out;
    forEachNalUnit(data, size, nalLengthSize, [&](const NalUnit& u) {
        out.push_back(u);
        return true;
    });
    return out;
}

bool isDisposablePicture(const uint8_t* data, int size, int nalLengthSize) {
    // Every slice of a picture has the same nal_ref_idc, and parameter sets come before the slices: the
    // units up to the first slice tell.
    bool disposable = false;
    forEachNalUnit(data, size, nalLengthSize, [&](const NalUnit& u) {
        const int type = u.type();
        if (type == 7 || type == 8)
            return false;
        if (type >= 1 && type <= 5) {
            disposable = u.refIdc() == 0;
            return false;
        }
        return true;
    });
    return disposable;
}

bool containsIdr(const std::vector<NalUnit>& units) {
    for (const auto& u : units)
        if (u.type() == 5)
            return true;
    return false;
}

std::vector<uint8_t> parameterSetsAnnexB(const std::vector<NalUnit>& units) {
    std::vector<uint8_t> out;
    for (const auto& u : units) {
        if (u.type() != 7 && u.type() != 8)
            continue;
        out.insert(out.end(), {0, 0, 0, 1});
        out.insert(out.end(), u.data, u.data + u.size);
    }
    return out;
}

std::set<int> parameterSetIds(const std::vector<NalUnit>& units) {
    std::set<int> ids;
    for (const auto& u : units) {
        int bit = 0;
        if (u.type() == 7 && u.size > 4) {
            bit = 24; // profile, constraint flags, level
            ids.insert(readUe(u.data + 1, u.size - 1, bit));
        } else if (u.type() == 8 && u.size > 1) {
            ids.insert(readUe(u.data + 1, u.size - 1, bit));
        }
    }
    return ids;
}

int avccLengthSize(const uint8_t* extradata, int size) {
    if (size < 7 || extradata[0] != 1)
        return 0;
    return (extradata[4] & 3) + 1;
}

} // namespace engine::ff
