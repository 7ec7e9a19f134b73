#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "playback/PositionDisplay.h"
#include "playback/Timecode.h"

using playback::PositionDisplay;

TEST(Timecode, FormatsSecondsAsHoursMinutesSecondsAndFrames) {
    const double inf = std::numeric_limits<double>::infinity();
    const struct {
        double seconds;
        const char* text;
    } cases[] = {
        {0, "00:00:00:00"},
        {3661.5, "01:01:01:15"},
        {0.02, "00:00:00:01"},
        {0.0166, "00:00:00:00"},
        {7322.9, "02:02:02:27"},
        {86399.98, "23:59:59:29"},
        {360000, "100:00:00:00"},
        {-0.5, "00:00:00:-14"},
        {-61.25, "00:-01:-01:-07"},
        {std::nan(""), "00:00:00:00"},
        {inf, "00:00:00:00"},
        {-inf, "00:00:00:00"},
        // A frame field rounding up to 30 carries into the seconds, and on into minutes and hours.
        {29.99, "00:00:30:00"},
        {59.99, "00:01:00:00"},
        {3599.985, "01:00:00:00"},
        // Whole seconds are counted in 32 bits, as the counters always have.
        {4294967296.0 + 5, "00:00:05:00"},
        {1e300, "00:00:00:00"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(PositionDisplay::FormataTimecode(c.seconds), c.text) << c.seconds;
}

TEST(Timecode, BarPositionRoundsHalvesToEvenAndStaysInRange) {
    const struct {
        double fraction;
        int position;
    } cases[] = {
        {1.0 / 2000, 0}, {3.0 / 2000, 2},   {5.0 / 2000, 2},
        {0.5, 500},      {0.9996, 1000},    {2500.0 / 2000, 1000},
        {-0.25, 0},      {std::nan(""), 0}, {std::numeric_limits<double>::infinity(), 0},
        {0.0004, 0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(playback::barPosition(c.fraction), c.position) << c.fraction;
}
