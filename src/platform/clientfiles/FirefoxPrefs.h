#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

// The preference files of a Firefox profile (prefs.js, user.js): lines of the form
// user_pref("name", value); where value is JavaScript text.

struct TFirefoxPref
{
    QString Name;
    // As written after the comma: "\"host\"", "8080", "true".
    QString Value;
};

// A string value in double quotes, with quotes and backslashes escaped as Firefox writes them.
QString PrefString(const QString &text);
// user_pref("name", value);
QByteArray PrefLine(const TFirefoxPref &pref);

// Text with each preference set, in the order given: the last line holding the quoted name is
// replaced, except the file's first line, which is never replaced (the preference is appended
// instead). Every other line keeps its bytes and its line end; a last line without one gets
// the file's, and appended lines take the file's line end (CR LF for an empty file).
QByteArray SetPrefLines(const QByteArray &text, const QList<TFirefoxPref> &prefs);

// The text reduced for reading values back: every "user_pref(" (any case) and every ");"
// removed, then split into lines of the form "name", value.
QStringList PrefValueLines(const QString &text);
// The value of the first line whose part before the first comma is the quoted Name (any
// case), blanks around it removed; empty when there is none.
QString PrefValue(const QStringList &lines, const QString &name);

// user.js text with the block of lines this program owns replaced by Prefs, at the end of the
// file, or removed when Prefs is empty. Every other line is kept.
QByteArray WithOwnedPrefBlock(const QByteArray &text, const QList<TFirefoxPref> &prefs);
