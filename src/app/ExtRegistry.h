#pragma once

#include "platform/registry/Registry.h"

#include <QStringList>

// The registry accessor with defaulting reads and the multi-string read and write the
// program's lists use.
class TExtRegistry : public TRegistry
{
public:
    using TRegistry::TRegistry;

    // The stored value when it exists, otherwise Default; a value of another type raises.
    bool ReadBoolDef(const QString &Name, bool Default);
    int ReadIntegerDef(const QString &Name, int Default);
    QString ReadStringDef(const QString &Name, const QString &Default);

    // Fills Values with the items of a multi-string (or binary) value; empty when the
    // value is missing or empty. String and integer values raise.
    void ReadStrings(const QString &Name, QStringList &Values);
    // Stores the lines of Values (CR LF separated, as a string list's text) as REG_MULTI_SZ.
    void WriteMutiString(const QString &Name, const QString &Values);
};
