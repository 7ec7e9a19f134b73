#pragma once
// Opens a file the way the file source does, reads a few pictures, seeks into the middle and back to
// the start. Failing to open or decode is an ordinary outcome; only crashes, hangs and leaks are faults.
#include <QString>

void exerciseSourceFile(const QString& path);
