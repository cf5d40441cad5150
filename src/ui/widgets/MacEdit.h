#pragma once

#include <QLineEdit>

// A MAC address input: six pairs of hexadecimal digits separated by "-", letters forced to
// upper case, at most 17 characters. Unfilled positions show as blanks and stay in the text,
// so an empty field reads "  -  -  -  -  -  ", which is how the IP module stores "not set".
class TMacEdit : public QLineEdit
{
    Q_OBJECT

public:
    explicit TMacEdit(QWidget *parent = nullptr);

    // The text with its blanks; QLineEdit::text() drops them.
    QString MacText() const { return displayText(); }
};
