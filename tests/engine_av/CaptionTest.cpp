#include "Cea608Fixture.h"
#include "captions/CaptionDecoder.h"
#include <QStringList>
#include <gtest/gtest.h>
using namespace engine::ff;
TEST(Probe, Cc) {
    CaptionDecoder dec;
    ASSERT_TRUE(dec.ok());
    double t = 0;
    auto feedAll = [&](const std::vector<avtest::CcTriplet>& v) {
        for (auto& tr : v) {
            dec.feed(tr.data(), 3, t);
            auto s = dec.screenAt(t);
            QStringList l;
            for (auto& r : s->rows)
                l << r;
            printf("%.3f [%s]\n", t, qPrintable(l.join("|")));
            t += 1.0 / 30;
        }
    };
    feedAll(avtest::popOnCaption("HELLO WORLD"));
    for (int i = 0; i < 10; ++i)
        feedAll({avtest::padding()});
    feedAll(avtest::eraseDisplayed());
    for (int i = 0; i < 10; ++i)
        feedAll({avtest::padding()});
}
