#pragma once

#include <QDialog>
#include <memory>

namespace Ui {
class TfrmAbout;
}

// The about box: logo, version, where to find help. A press of any mouse button anywhere in it
// closes it (a link in it opens its page instead). It doubles as the splash window at start-up.
class TfrmAbout : public QDialog
{
    Q_OBJECT

public:
    explicit TfrmAbout(QWidget *parent = nullptr);
    ~TfrmAbout() override;

protected:
    void mousePressEvent(QMouseEvent *Event) override;

private:
    std::unique_ptr<Ui::TfrmAbout> ui;
};
