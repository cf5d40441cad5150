#pragma once

#include <QMainWindow>
#include <memory>

class TLocationList;
class TNetWorkList;

namespace Ui {
class TFrmMain;
}

// The main window. Creating it opens the profile database, hands the connection to the location
// model and loads the adapter list and the location list, which it owns for the program's life;
// it stays hidden until ShowStartInterface. Destroying it writes the location list's registry
// mirror.
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
    std::unique_ptr<TNetWorkList> FNetWorkList;
    std::unique_ptr<TLocationList> FLocationList;
};
