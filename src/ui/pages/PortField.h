#pragma once

#include <QString>

// Port fields of the proxy pages are plain edits. A page refuses a port that is not a whole
// number from 0 to 65535 (blanks around it allowed) in its check, naming the field, so that a
// store never meets one it has checked.
bool IsPortText(const QString &Text);
// The port Text holds, or Current when it holds none (an empty field, or one the page did not
// check because its settings were not in use).
int PortFromText(const QString &Text, int Current);
