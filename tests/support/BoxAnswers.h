#pragma once

#include "platform/desktop/MessageBox.h"

#include <QList>
#include <QStringList>

// Sees every message box while alive and answers it: with the next of Answers, else with what
// changes nothing (No, Cancel, Ok).
class TBoxAnswers
{
public:
    TBoxAnswers()
        : FPrevious(TMessageBox::SetHandler([this](const TMessage &Box) {
              Seen.append(Box);
              if (!Answers.isEmpty())
                  return Answers.takeFirst();
              switch (Box.Buttons) {
              case TMsgButtons::YesNo:
                  return TMsgResult::No;
              case TMsgButtons::YesNoCancel:
              case TMsgButtons::OkCancel:
                  return TMsgResult::Cancel;
              case TMsgButtons::Ok:
                  break;
              }
              return TMsgResult::Ok;
          }))
    {}
    ~TBoxAnswers() { TMessageBox::SetHandler(FPrevious); }
    TBoxAnswers(const TBoxAnswers &) = delete;
    TBoxAnswers &operator=(const TBoxAnswers &) = delete;

    QStringList Texts() const
    {
        QStringList Result;
        for (const TMessage &Box : Seen)
            Result.append(Box.Text);
        return Result;
    }

    QList<TMessage> Seen;
    QList<TMsgResult> Answers;

private:
    TMessageHandler FPrevious;
};
