#pragma once

#include <QList>
#include <QString>

// The file format that carries locations from one computer to another: one JSON document (see
// docs/location-files.md). JSON because Qt reads and writes it already, one parser for every
// field, and a text a person can read and diff.

inline constexpr int TransferFormatVersion = 1;
// The "format" member of every such file.
inline constexpr char TransferFormatName[] = "wayfarel-locations";
// What an import reads at most: the whole file, and the characters of one text value.
inline constexpr qint64 TransferFileLimit = 16 * 1024 * 1024;
inline constexpr qsizetype TransferTextLimit = 64 * 1024;

// A network connection of this computer, for matching a location's adapter by id or name.
struct TKnownAdapter
{
    QString Id;
    QString Name;
};
