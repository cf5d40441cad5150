#pragma once

#include <QString>
#include <ostream>

// Readable QString values in the messages of failed expectations.
inline void PrintTo(const QString &text, std::ostream *out) { *out << '"' << text.toStdString() << '"'; }
