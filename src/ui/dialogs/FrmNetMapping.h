#pragma once

#include <QDialog>
#include <memory>

class TNetMapping;

namespace Ui {
class TfrmNetMapping;
}

// Creates or changes one network drive of a location. The drive list offers the letters that
// have no drive link in the session now. OK stores the record itself; a refusal keeps the
// dialog open.
class TfrmNetMapping : public QDialog
{
    Q_OBJECT

public:
    // pId empty: a new drive with a fresh id. The dialog takes AOwner's font.
    TfrmNetMapping(QWidget *AOwner, const QString &pLocId, const QString &pId);
    ~TfrmNetMapping() override;

    // The record's id, fresh for a new drive.
    const QString &Id() const { return FId; }
    // The texts as chosen and typed, for the owner's list after an OK.
    QString DriverText() const;
    QString RemoteFolderText() const;

private slots:
    void btnOkClick();
    void btnBrowserClick();

private:
    void FormCreate();
    void Refuse(const QString &Message);

    std::unique_ptr<Ui::TfrmNetMapping> ui;
    QString FId;
    QString FLocId;
    std::unique_ptr<TNetMapping> FNetMapping;
};
