#pragma once

#include "ui/pages/ModulePage.h"

#include <QString>

// The language of the pages' captions and messages.
inline const QString PageLanguage = QStringLiteral("EN");

// Fills Problem, when given, with Message and the control to focus; false, for a check to return.
bool Refuse(TPageProblem *Problem, QWidget *Focus, const QString &Message);
// The same with the text of language id Id, or Fallback when the table lacks it.
bool Refuse(TPageProblem *Problem, QWidget *Focus, const QString &Id, const char *Fallback);
