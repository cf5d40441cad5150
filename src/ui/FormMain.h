#pragma once

#include <QMainWindow>
#include <memory>

namespace Ui {
class TFrmMain;
}

// The main window. Creating it opens the profile database and hands the connection to
// the location model.
class TFrmMain : public QMainWindow
{
    Q_OBJECT

public:
    explicit TFrmMain(QWidget *parent = nullptr);
    ~TFrmMain() override;

private:
    std::unique_ptr<Ui::TFrmMain> ui;
};
