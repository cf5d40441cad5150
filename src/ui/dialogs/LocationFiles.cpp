#include "ui/dialogs/LocationFiles.h"

#include "adapters/Network.h"
#include "app/uLanguages.h"
#include "modules/ProgramModules.h"
#include "platform/desktop/MessageBox.h"
#include "transfer/LocationExport.h"
#include "transfer/LocationImport.h"

#include <QCheckBox>
#include <QDir>
#include <QFileDialog>
#include <QGridLayout>

namespace {

const QString Lang = QStringLiteral("EN");

QString FileFilter() { return GetLangStr(Lang, "7874", "Location files (*.json);;All files (*)"); }

TFileChoice ExportDialog(QWidget *Owner)
{
    QFileDialog Dialog(Owner, GetLangStr(Lang, "7872", "Export locations"), QDir::homePath(), FileFilter());
    // The password check box needs Qt's own dialog; a desktop's native one takes no widgets.
    Dialog.setOption(QFileDialog::DontUseNativeDialog);
    Dialog.setAcceptMode(QFileDialog::AcceptSave);
    Dialog.setDefaultSuffix(QStringLiteral("json"));
    auto *Passwords = new QCheckBox(GetLangStr(Lang, "7873", "Include passwords"), &Dialog);
    if (auto *Grid = qobject_cast<QGridLayout *>(Dialog.layout()))
        Grid->addWidget(Passwords, Grid->rowCount(), 0, 1, -1);
    if (Dialog.exec() != QDialog::Accepted || Dialog.selectedFiles().isEmpty())
        return {};
    return {Dialog.selectedFiles().first(), Passwords->isChecked()};
}

TFileChoice ShowFileDialog(QWidget *Owner, bool ForExport)
{
    if (ForExport)
        return ExportDialog(Owner);
    return {QFileDialog::getOpenFileName(Owner, GetLangStr(Lang, "7875", "Import locations"),
                                         QDir::homePath(), FileFilter()),
            false};
}

TLocationFileDialog &FileDialog()
{
    static TLocationFileDialog Dialog = ShowFileDialog;
    return Dialog;
}

QList<TKnownAdapter> KnownAdapters(const TNetWorkList &Adapters)
{
    QList<TKnownAdapter> Known;
    for (int I = 0; I < Adapters.Count(); ++I)
        if (const TNetWork *Adapter = Adapters.Objects(I))
            Known.append({Adapter->Id(), Adapter->Name()});
    return Known;
}

void ShowError(const QString &Text) { TMessageBox::Show(Text, QStringLiteral("Error"), TMsgIcon::Error); }

// Yes replaces, No keeps both (the imported ones renamed), Cancel skips them.
TConflictChoice AskConflictChoice(const QStringList &Names)
{
    const QString Question = FormatLangStr(
        GetLangStr(
            Lang, "7879",
            "%s location(s) of the file have the id or name of a stored location: %s. Yes: replace the "
            "stored ones. No: keep both, the imported ones renamed. Cancel: skip them."),
        {QString::number(Names.size()), Names.join(QStringLiteral(", "))});
    switch (
        TMessageBox::Show(Question, QStringLiteral("Info"), TMsgIcon::Question, TMsgButtons::YesNoCancel)) {
    case TMsgResult::Yes:
        return TConflictChoice::Replace;
    case TMsgResult::No:
        return TConflictChoice::Rename;
    default:
        return TConflictChoice::Skip;
    }
}

} // namespace

TLocationFileDialog SetLocationFileDialog(TLocationFileDialog Dialog)
{
    TLocationFileDialog Previous = std::move(FileDialog());
    FileDialog() = Dialog ? std::move(Dialog) : TLocationFileDialog(ShowFileDialog);
    return Previous;
}

void ExportLocationsToFile(QWidget *Owner, const TNetWorkList &Adapters)
{
    const TFileChoice Choice = FileDialog()(Owner, true);
    if (Choice.Path.isEmpty())
        return;
    QByteArray Document;
    QString Error;
    if (!ExportLocations(ProgramModules(), KnownAdapters(Adapters), {}, Choice.WithPasswords, Document,
                         &Error) ||
        !SaveLocationFile(Choice.Path, Document, &Error)) {
        ShowError(FormatLangStr(GetLangStr(Lang, "7877", "The locations cannot be exported: %s"), {Error}));
        return;
    }
    TMessageBox::Show(
        FormatLangStr(GetLangStr(Lang, "7876", "The locations were written to %s."), {Choice.Path}),
        QStringLiteral("Info"));
}

bool ImportLocationsFromFile(QWidget *Owner, const TNetWorkList &Adapters)
{
    const TFileChoice Choice = FileDialog()(Owner, false);
    if (Choice.Path.isEmpty())
        return false;
    TLocationImport Import(ProgramModules());
    if (!Import.CheckFile(Choice.Path)) {
        ShowError(FormatLangStr(GetLangStr(Lang, "7878", "%s is refused, nothing was imported: %s"),
                                {Choice.Path, Import.Problems().join(QLatin1Char('\n'))}));
        return false;
    }
    const QStringList Conflicts = Import.Conflicts();
    const TConflictChoice Settle = Conflicts.isEmpty() ? TConflictChoice::Skip : AskConflictChoice(Conflicts);
    if (!Import.Store(Settle, KnownAdapters(Adapters))) {
        ShowError(FormatLangStr(GetLangStr(Lang, "7880", "Nothing was imported: %s"), {Import.LastError()}));
        return false;
    }
    TMessageBox::Show(
        FormatLangStr(GetLangStr(Lang, "7881", "%s location(s) imported. %s"),
                      {QString::number(Import.StoredIds().size()), Import.Notices().join('\n')}),
        QStringLiteral("Info"));
    return !Import.StoredIds().isEmpty();
}
