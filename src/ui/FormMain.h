#pragma once

#include <QMainWindow>
#include <memory>

namespace Ui {
class TFrmMain;
}

// The main window. Creating it opens the profile database and hands the connection to
// the location model; it stays hidden until ShowStartInterface.
class TFrmMain : public QMainWindow
{
    Q_OBJECT

public:
    explicit TFrmMain(QWidget *parent = nullptr);
    ~TFrmMain() override;

    // Shows the interface chosen for the start: the compact panel when DefaultUI is
    // duPanelUI (this window is then never shown), else this window.
    void ShowStartInterface(int DefaultUI);

signals:
    // The compact panel is to be opened in place of this window.
    void CompactPanelRequested();

private slots:
    // Hides this window and asks for the compact panel.
    void ActCompactExecute();

private:
    std::unique_ptr<Ui::TFrmMain> ui;
};
