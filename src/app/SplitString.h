#pragma once

#include <QChar>
#include <QString>
#include <QStringList>

// Replaces the contents of List with the items of Text. Items are separated by Delimiter or by
// blanks and control characters; an item starting with '"' runs to the closing quote, with a
// doubled quote standing for one. Consecutive delimiters give empty items, a delimiter ending the
// text one final empty item. A null List is a programming error (EAssertionFailed).
void SplitString(const QString &Text, QChar Delimiter, QStringList *List);
