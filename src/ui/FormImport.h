#pragma once

#include <QDialog>
#include <memory>

class TNetWorkList;

namespace Ui {
class TFormImport;
}

// Asks for the name and the adapter of a location to be made from the current settings.
// Accepted only with a name that is not blank and an adapter chosen.
class TFormImport : public QDialog
{
    Q_OBJECT

public:
    // Adapters must outlive the dialog.
    explicit TFormImport(const TNetWorkList &Adapters, QWidget *parent = nullptr);
    ~TFormImport() override;

    // The name as typed.
    QString LocName() const;
    // The chosen adapter's id, once the dialog was accepted.
    const QString &NetId() const { return FNetId; }

private slots:
    void btnImportClick();

private:
    std::unique_ptr<Ui::TFormImport> ui;
    QString FNetId;
};
