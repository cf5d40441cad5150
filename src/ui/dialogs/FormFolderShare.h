#pragma once

#include <QDialog>
#include <memory>

class QLineEdit;
class TFolderShare;

namespace Ui {
class TFormFolderShare;
}

// Creates or changes one folder share of a location. OK checks the input and stores the record
// itself; a refusal says why, puts the focus on the field and keeps the dialog open.
class TFormFolderShare : public QDialog
{
    Q_OBJECT

public:
    // pId empty: a new share with a fresh id. The dialog takes AOwner's font.
    TFormFolderShare(QWidget *AOwner, const QString &pLocId, const QString &pId);
    ~TFormFolderShare() override;

    // The record's id, fresh for a new share.
    const QString &Id() const { return FId; }
    // The texts as typed, for the owner's list after an OK.
    QString ShareNameText() const;
    QString ShareFolderText() const;

private slots:
    void btnOkClick();
    void btnBrowserClick();

private:
    // The first rule the input breaks, told to the user; false when it breaks none.
    bool Refused();
    void Refuse(const QString &Message, QLineEdit *Field);

    std::unique_ptr<Ui::TFormFolderShare> ui;
    QString FId;
    QString FLocId;
    std::unique_ptr<TFolderShare> FShareFolder;
};
