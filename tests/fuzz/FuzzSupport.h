#pragma once

#include <QByteArray>
#include <QString>
#include <cstddef>
#include <cstdint>

// The folder a fuzz target writes its files to, made once per process below /dev/shm (or the
// system's temporary folder). HOME and the XDG folders point into it too, so nothing a parser
// under test looks up reaches the user's own files.
QString FuzzRoot();

// Data written to FuzzRoot()/name, replacing what was there; the file's path.
QString WriteFuzzFile(const QString &name, const uint8_t *data, size_t size);

// Stops the run with the message when a property the target checks does not hold, so libFuzzer
// keeps the input as a crash.
void FuzzCheck(bool holds, const char *what);
