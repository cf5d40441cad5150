#pragma once

// What the commands of wayfarelctl share: how they end, how they print, where the data file is
// and how they find what the user names.

#include "base/Exceptions.h"

#include <QList>
#include <QStringList>
#include <QTextStream>

class TLocation;
class TLocationList;
class TLocationRules;
class TNetWork;
class TNetWorkList;
class TNMFingerprintSource;
struct TKnownAdapter;
struct TNetworkFingerprint;

enum TExitCode { ecDone = 0, ecFailed = 1, ecUsage = 2, ecDataFile = 3 };

// Ends the command with a message for standard error and an exit status.
class ECtlError : public EWayfarelError
{
public:
    ECtlError(const QString &Message, TExitCode Code) : EWayfarelError(Message), FCode(Code) {}
    TExitCode Code() const { return FCode; }

private:
    TExitCode FCode;
};

[[noreturn]] void Fail(const QString &Message, TExitCode Code = ecFailed);

// A call to the running program that found no answer ends the command.
void Require(bool Answered, const QString &Error);

// What the options before the command ask for. DataFolder is the folder named by --data, else
// by WAYFAREL_DATA_DIR; empty for the program's own.
struct TCtlOptions
{
    QString DataFolder;
    bool Verbose = false;
};

// Takes the options out of Args, leaving the command and its arguments.
TCtlOptions TakeOptions(QStringList &Args);

// The value after Option in Args, taken out with it; Default without the option.
QString TakeOptionValue(QStringList &Args, const QString &Option, const QString &Default = QString());

// What a command runs with: the options given before it, and the streams its results and
// messages go to (standard output and error, or a caller's strings).
class TCtlContext
{
public:
    TCtlContext(QTextStream &Out, QTextStream &Err, const TCtlOptions &Options)
        : FOut(Out), FErr(Err), FOptions(Options)
    {}

    const TCtlOptions &Options() const { return FOptions; }
    QTextStream &Out() { return FOut; }

    // One record: the fields joined by tabs, none of them able to break the line or the columns.
    void PrintRecord(const QStringList &Fields);
    void PrintRecords(const QList<QStringList> &Records);
    // "wayfarelctl: Message" on standard error at once, so it shows while the command goes on.
    void Note(const QString &Message);
    void Warn(const QString &Message);

private:
    QTextStream &FOut;
    QTextStream &FErr;
    TCtlOptions FOptions;
};

// Names the data file as the program does; a folder given by the user must hold one already.
void ChooseDataFile(const QString &Folder);

// Opens the chosen data file, but a file that cannot be used ends the command with a message
// instead of the program's message box.
void OpenDataFile();

// A location by id or name, or the command ends saying why not.
TLocation &FindLocation(const TLocationList &List, const QString &Key);

// An adapter by id (letter case ignored), else by its connection name.
const TNetWork &FindAdapter(const TNetWorkList &Adapters, const QString &Key);

// This computer's adapters, to which a location file's adapter is matched.
QList<TKnownAdapter> KnownAdapters();

// NetworkManager on the system bus, the gateway MACs from the ARP lookup.
TNMFingerprintSource &NetworkSource();

// One look at the network, with the event loop running while it is taken.
TNetworkFingerprint CurrentNetwork();

// A location's rules as stored, or the command ends saying why not; and stored again.
TLocationRules LoadedRules(const QString &LocId);
void SaveRules(TLocationRules &Rules);
