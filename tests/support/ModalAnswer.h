#pragma once

#include <QApplication>
#include <QDialog>
#include <QTimer>
#include <functional>

// Answers the next modal dialog once its loop runs: Act gets it when it is a TDialog. Any other
// modal dialog is rejected, so a wrong window can never hang the test; Seen tells whether the
// expected one came.
template <class TDialog>
class TModalAnswer
{
public:
    explicit TModalAnswer(std::function<void(TDialog *)> Act)
    {
        QTimer::singleShot(0, &FContext, [this, Act] {
            QWidget *Modal = QApplication::activeModalWidget();
            if (auto *Dialog = qobject_cast<TDialog *>(Modal)) {
                FSeen = true;
                Act(Dialog);
            } else if (auto *Other = qobject_cast<QDialog *>(Modal)) {
                Other->reject();
            }
        });
    }
    bool Seen() const { return FSeen; }

private:
    // Ends the pending answer with the object.
    QObject FContext;
    bool FSeen = false;
};
