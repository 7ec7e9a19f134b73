#pragma once
#include <QFont>

// Tahoma 11 pixels high, the dialogs' font. Where Tahoma is missing, Liberation Sans is the nearest in
// width; the general sans fallback is wider and clips the captions laid out for Tahoma.
inline QFont dialogFont() {
    QFont font;
    font.setFamilies({QStringLiteral("Tahoma"), QStringLiteral("Liberation Sans")});
    font.setPixelSize(11);
    return font;
}
