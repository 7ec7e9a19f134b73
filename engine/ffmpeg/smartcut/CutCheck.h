#pragma once
// Reads a finished cut back before it is put in place: the right number of pictures, one per frame
// interval with no gap or repeat.
#include <QString>
#include <cstdint>
#include <functional>

namespace engine::ff {

struct SourceIndex;

// Empty when the file holds exactly `frames` video frames on a regular time line; otherwise the reason.
// `written`, when given, is left with the file's index.
QString checkCut(const QString& path, int64_t frames, const std::function<bool()>& stop = {},
                 SourceIndex* written = nullptr);

} // namespace engine::ff
