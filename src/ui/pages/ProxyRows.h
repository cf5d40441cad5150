#pragma once

#include "ui/pages/ModulePage.h"

#include <QString>

class QLineEdit;
class TIPEdit;

// One "address : port" row of a proxy page. Name is the row's fixed protocol label without the
// colon ("HTTP"), which messages use to name the port.
struct TProxyRow
{
    QString Name;
    TIPEdit *Address;
    QLineEdit *Port;
};

// Shows a stored "address:port" text, split at its first colon. An empty address leaves the
// address field as it was; a text without a colon empties the port.
void ShowProxyText(const TProxyRow &Row, const QString &Text);
// The row as it is stored: address + ":" + port, also when the port is empty.
QString ProxyText(const TProxyRow &Row);
void SetRowEnabled(const TProxyRow &Row, bool Enabled);

// True when the port text, spaces around it aside, is a whole number from 0 to 65535.
bool IsPortNumber(const QString &Text);
// The number of a port text IsPortNumber accepts; 0 for any other text.
int PortNumber(const QString &Text);

// The port Text holds, or Current when it holds none (an empty field, or one the page did not
// check because its settings were not in use).
int PortFromText(const QString &Text, int Current);

// The language of the pages' captions and messages.
inline const QString PageLanguage = QStringLiteral("EN");

// Fills Problem and returns false: the shape every refusing check ends with.
bool Refuse(TPageProblem *Problem, const QString &Message, QWidget *Focus);
// The same with the text of language id Id, or Fallback when the table lacks it.
bool Refuse(TPageProblem *Problem, const QString &Id, const char *Fallback, QWidget *Focus);
// Refuses a port that holds text but no port number, with the language table's text Id whose
// "%s" (if any) becomes FieldName.
bool CheckPortNumber(QLineEdit *Port, const QString &Id, const QString &Fallback, const QString &FieldName,
                     TPageProblem *Problem);
