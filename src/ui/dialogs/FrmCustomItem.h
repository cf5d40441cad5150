#pragma once

#include <QDialog>
#include <memory>

class QListWidget;
class QListWidgetItem;

namespace Ui {
class TfrmCustomItem;
}

// Chooses which settings modules the locations have and the order of their tabs. Nothing is
// written before OK, which writes every module's switch and numbers the modules in use 1, 2, 3...
// from the top; modules not in use keep their positions.
class TfrmCustomItem : public QDialog
{
    Q_OBJECT

public:
    // The dialog takes Owner's font.
    explicit TfrmCustomItem(QWidget *Owner = nullptr);
    ~TfrmCustomItem() override;

    // Shows the dialog modally for Owner and returns how it was closed.
    static int Execute(QWidget *Owner);

private slots:
    void btnAppendClick();
    void btnDeleteClick();
    void btnUpClick();
    void btnDownClick();
    void btnOkClick();
    void lblSubmitClick();

private:
    void FillLists();
    void Move(int Offset);

    std::unique_ptr<Ui::TfrmCustomItem> ui;
};
