#pragma once
// What the X server knows of a window, read with the X utilities (xprop, xwininfo) as any other client
// of the desktop would read it.
#include <QProcess>
#include <QProcessEnvironment>
#include <QRect>
#include <QRegularExpression>
#include <QString>
#include <QStringList>
#include <QWidget>

namespace e2e {

// Standard output of an X utility run on the current display (or on `display`), in UTF-8.
inline QString xOutput(const QString& program, const QStringList& arguments, const QString& display = {}) {
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("LC_ALL", "C.UTF-8");
    if (!display.isEmpty())
        environment.insert("DISPLAY", display);
    process.setProcessEnvironment(environment);
    process.start(program, arguments);
    if (!process.waitForFinished(10000))
        return {};
    return QString::fromUtf8(process.readAllStandardOutput());
}

// A text property of a window (WM_NAME, _NET_WM_NAME ...); empty when it has none.
inline QString xTextProperty(WId window, const QString& property) {
    const QString line = xOutput("xprop", {"-notype", "-id", QString::number(window), property}).trimmed();
    const QRegularExpressionMatch quoted = QRegularExpression(R"re(^\S+ = "(.*)"$)re").match(line);
    return quoted.hasMatch() ? quoted.captured(1) : QString();
}

// The top-level windows the window manager lists.
inline QList<WId> xClientWindows() {
    QList<WId> windows;
    const QString list = xOutput("xprop", {"-root", "_NET_CLIENT_LIST"});
    for (const QRegularExpressionMatch& id : QRegularExpression("0x[0-9a-f]+").globalMatch(list))
        windows << WId(id.captured().toULongLong(nullptr, 16));
    return windows;
}

// The window's own area on the screen, its frame left out.
inline QRect xClientArea(WId window) {
    const QString info = xOutput("xwininfo", {"-id", QString::number(window)});
    auto field = [&](const char* name) {
        return QRegularExpression(QString(name) + R"(:\s+(-?\d+))").match(info).captured(1).toInt();
    };
    return QRect(field("Absolute upper-left X"), field("Absolute upper-left Y"), field("Width"),
                 field("Height"));
}

} // namespace e2e
