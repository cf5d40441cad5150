#include "ui/pages/PageProblem.h"

#include "app/uLanguages.h"

bool Refuse(TPageProblem *Problem, QWidget *Focus, const QString &Message)
{
    if (Problem)
        *Problem = {Message, Focus};
    return false;
}

bool Refuse(TPageProblem *Problem, QWidget *Focus, const QString &Id, const char *Fallback)
{
    return Refuse(Problem, Focus, GetLangStr(PageLanguage, Id, QString::fromUtf8(Fallback)));
}
