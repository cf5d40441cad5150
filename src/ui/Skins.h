#pragma once

#include <QString>
#include <QStringList>

// The built-in skins: one Qt style sheet of our own per name, drawn over the Fusion style.

// The names of the skins, sorted.
QStringList SkinNames();
// Name when it is a skin, else the skin the program starts with ("Acryl").
QString KnownSkin(const QString &Name);
// The style sheet of a skin; empty for a name that is none.
QString SkinStyleSheet(const QString &Name);
// Draws every window of the program with the skin Name from now on; false for a name that
// is no skin, which changes nothing.
bool ApplySkin(const QString &Name);
