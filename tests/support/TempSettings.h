#pragma once
// Empties the program's settings before and after a test (the store lives in the test's private folder).
#include <QSettings>

struct TempSettings {
    TempSettings() { clear(); }
    ~TempSettings() { clear(); }
    static void clear() {
        QSettings s(QSettings::NativeFormat, QSettings::UserScope, "Orvanta", "VELTRA-PLAYER-2025");
        s.clear();
        s.sync();
    }
};
