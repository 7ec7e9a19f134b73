#include "smartcut/Mpeg2SpliceRate.h"

#include "engine/OperatorTexts.h"

#include <algorithm>
#include <cmath>

namespace engine::ff {
namespace {

// The source's sequence header in each re-encoded picture that carries one: fitting counts the bytes
// as they will be written.
QString withSourceHeaders(const SourceIndex& index, std::vector<AVPacketPtr>& packets) {
    for (AVPacketPtr& p : packets) {
        if (sequenceHeaderOf(p->data, p->size).empty())
            continue;
        const std::vector<uint8_t> bytes = withSequenceHeader(p->data, p->size, index.sequenceHeader);
        AVPacketPtr out = makePacket();
        if (av_new_packet(out.get(), int(bytes.size())) < 0)
            return texts::outOfMemoryForPicture();
        std::copy(bytes.begin(), bytes.end(), out->data);
        av_packet_copy_props(out.get(), p.get());
        p = std::move(out);
    }
    return {};
}

// The mean quantiser_scale of the source's pictures shown in [from, to).
double sourceQuantiser(const SourceIndex& index, int64_t from, int64_t to) {
    double sum = 0;
    int count = 0;
    for (const IndexedPacket& p : index.packets)
        if (p.display >= from && p.display < to && p.quantiser > 0)
            sum += p.quantiser, ++count;
    return count ? sum / count : 2;
}

double levelAt(const SourceIndex& index, const VbvBuffer& buffer, int position) {
    return buffer.levelOf(*index.packets[size_t(position)].vbvDelay);
}

} // namespace

std::optional<VbvBuffer> constantRateBufferOf(const SourceIndex& index) {
    if (index.codec != AV_CODEC_ID_MPEG2VIDEO || index.packets.empty())
        return std::nullopt;
    for (const IndexedPacket& p : index.packets)
        if (!p.vbvDelay || p.vbvDelay->delay == kVbvDelayUnstated)
            return std::nullopt;
    return vbvBufferOf(index.sequenceHeader, index.frameRate);
}

std::optional<SpliceLevels> spliceLevelsOf(const SourceIndex& index, const CutPlan& plan) {
    const std::optional<VbvBuffer> buffer = constantRateBufferOf(index);
    if (!buffer || !plan.copies())
        return std::nullopt;
    SpliceLevels levels{*buffer};
    const IndexedPacket& first = index.packets[size_t(plan.copyFirst)];
    // The pictures after the left-out ones come as early as those would have: the buffer must hold what
    // they took less the time they were given.
    double leftOut = 0;
    for (int k = 1; k <= plan.dropLeading; ++k)
        leftOut += index.packets[size_t(plan.copyFirst + k)].size * 8.0 - buffer->perFrame();
    const double wanted = levelAt(index, *buffer, plan.copyFirst) - leftOut;
    levels.copyStart = std::clamp(wanted, first.size * 8.0, buffer->size);
    const double ticks =
        std::floor((levels.copyStart - double(first.vbvDelay->bitsBefore)) * 90000 / buffer->bitRate);
    // A copy that starts where the source's buffer stood keeps its first picture's own delay, byte for byte.
    levels.copyStartDelay = plan.dropLeading == 0 && levels.copyStart == wanted
                                ? first.vbvDelay->delay
                                : int(std::clamp<double>(ticks, 0, kVbvDelayUnstated - 1));
    if (plan.copyEnd < int(index.packets.size()))
        levels.tailStart = levelAt(index, *buffer, plan.copyEnd) + (levels.copyStart - wanted);
    return levels;
}

namespace {

// One encoding of the span, fitted to the buffer when it can be: `misfit` says why not, and `overrun` how
// much more of the buffer it would have needed than there is (above 1 when it did not fit).
QString encodeOnce(const SourceIndex& index, int64_t from, int64_t to, int64_t origin,
                   const SpliceLevels& levels, bool head, const SpanRate& rate, DecodedPictures& pictures,
                   EncodedSpan& out, QString& misfit, double& overrun) {
    EncodedSpan span;
    if (QString e = encodeSpan(index, from, to, origin, 1, span, 0, rate, &pictures); !e.isEmpty())
        return e;
    if (QString e = withSourceHeaders(index, span.packets); !e.isEmpty())
        return e;
    // A span nothing follows ends the stream: its last picture carries the sequence end code too.
    if (const bool last = !head || levels.copyStart <= 0; last && !span.packets.empty()) {
        AVPacket* p = span.packets.back().get();
        if (!endsSequence(p->data, p->size)) {
            if (av_packet_make_writable(p) < 0 || av_grow_packet(p, 4) < 0)
                return texts::outOfMemoryForPicture();
            std::copy(std::begin(kMpeg2SequenceEnd), std::end(kMpeg2SequenceEnd), p->data + p->size - 4);
        }
    }
    const VbvBuffer& buffer = levels.buffer;
    const double needed = startLevelFor(buffer, span.packets, head ? levels.copyStart : 0);
    const double available = head ? buffer.size : levels.tailStart;
    overrun = needed / std::max(available, 1.0);
    if (needed > available) {
        misfit = texts::reencodedNeedMoreBuffer(std::llround(needed), std::llround(available));
        return {};
    }
    // A head starts as low as it may, a few ticks over: its level is stated in whole ticks, rounded down.
    const double headStart = std::min(available, needed + 3 * buffer.bitRate / 90000);
    misfit = fitToVbv(buffer, head ? headStart : available, span.packets,
                      head && levels.copyStart > 0 ? std::optional<double>(levels.copyStart) : std::nullopt);
    if (misfit.isEmpty())
        out = std::move(span);
    return {};
}

} // namespace

QString encodeFitted(const SourceIndex& index, int64_t from, int64_t to, int64_t origin,
                     const SpliceLevels& levels, bool head, EncodedSpan& out) {
    SpanRate rate{levels.buffer};
    rate.startLevel = head ? levels.buffer.size : levels.tailStart;
    rate.endLevel = head ? levels.copyStart : 0;
    QString misfit;
    double overrun = 0;
    DecodedPictures pictures; // decoded by the first encoding only
    auto attempt = [&](double q) {
        rate.quantiser = q;
        return encodeOnce(index, from, to, origin, levels, head, rate, pictures, out, misfit, overrun);
    };
    // Fixed quantisers, the first half the source's own (where spans come to fit, most of them), each
    // next from how far the last overran the buffer or fell short of it (with each macroblock's quantiser
    // chosen by rate and distortion, the bits fall about as the quantiser rises), then between the finest
    // that fitted and the coarsest that did not: the span looks as much like the copied pictures as the
    // buffer allows. A fit that fills most of the buffer ends the search: a finer one gains little for
    // another encoding of the span, which is what an export of a full-size picture waits for.
    constexpr double kFinest = 1, kCoarsest = 28, kAimedOverrun = 0.9, kCloseEnough = 0.8, kExponent = 1,
                     kStep = 1.15;
    constexpr int kAttempts = 4;
    double fits = 0, fails = 0;
    double q = std::clamp(sourceQuantiser(index, from, to) / 2 * 0.5, kFinest, kCoarsest);
    for (int n = 0; n < kAttempts; ++n) {
        if (QString e = attempt(q); !e.isEmpty())
            return e;
        (misfit.isEmpty() ? fits : fails) = q;
        if (misfit.isEmpty() && overrun >= kCloseEnough)
            break;
        const double guess = q * std::pow(overrun / kAimedOverrun, 1 / kExponent);
        if (fits > 0 && fails > 0) {
            if (fits / fails < 1.1)
                break;
            // Every other step halves the bracket, should the guesses keep landing on one side.
            q = n % 2 ? std::sqrt(fits * fails) : std::clamp(guess, fails * 1.05, fits / 1.05);
        } else if (fits > 0) {
            if (fits <= kFinest)
                break;
            q = std::clamp(guess, kFinest, fits / kStep);
        } else {
            if (fails >= kCoarsest)
                break;
            q = std::clamp(guess, fails * kStep, kCoarsest);
        }
    }
    if (fits > 0) {
        misfit.clear(); // `out` holds the span at the finest quantiser that fitted
        return {};
    }
    // Else the encoder's own rate control, aiming lower each time.
    for (const double scale : {1.0, 0.7, 0.4}) {
        if (misfit.isEmpty())
            return {};
        rate.rateScale = scale;
        if (QString e = attempt(0); !e.isEmpty())
            return e;
    }
    return misfit;
}

} // namespace engine::ff
