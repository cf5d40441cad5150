// wayfarelctl: the locations from a terminal or a script. Results go to standard output as
// tab-separated records, one per line; errors go to standard error.

#include "adapters/IpAddress.h"
#include "adapters/Network.h"
#include "adapters/SystemBackends.h"
#include "app/DBManager.h"
#include "app/uConfig.h"
#include "base/Exceptions.h"
#include "base/NetText.h"
#include "lantools/uNetRepaire.h"
#include "locations/AutoSwitcher.h"
#include "locations/Location.h"
#include "locations/LocationQueries.h"
#include "locations/NMFingerprint.h"
#include "locations/RuleCandidates.h"
#include "modules/ProgramModules.h"
#include "platform/desktop/InstanceBus.h"
#include "platform/printing/Printers.h"
#include "platform/process/TermSignals.h"
#include "sharing/NetShare.h"
#include "transfer/LocationExport.h"
#include "transfer/LocationImport.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QSocketNotifier>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTextStream>
#include <functional>

namespace {

const char *const Usage =
    "Usage: wayfarelctl [--data FOLDER] [--verbose] COMMAND [ARGUMENTS]\n"
    "Switches this computer between network locations from a terminal.\n"
    "\n"
    "Commands:\n"
    "  list                 the locations: current mark (*), id, name, adapter id, printer\n"
    "  show LOCATION        one location, one \"field<TAB>value\" line per setting\n"
    "  current              the current location: id, name (exit status 1 when none)\n"
    "  switch LOCATION      apply a location and make it current; prints its id and name\n"
    "  import NAME ADAPTER  store a new location NAME from the adapter's current settings\n"
    "                       and the default printer; prints its id and name\n"
    "  adapters             the network connections: id, name, description, state\n"
    "  printers             the installed printers: default mark (*), name\n"
    "  shares               the folders this computer shares: name, folder, comment\n"
    "  drives               the network drives: drive, remote folder, local folder,\n"
    "                       restored at logon (yes/no)\n"
    "  drives --restore     connect the drives restored at logon again; prints each drive\n"
    "                       connected (the desktop's autostart runs this at login)\n"
    "  export [LOCATION...] [--with-passwords] [-o FILE]\n"
    "                       the locations (all when none is named) as a location file on\n"
    "                       standard output, or in FILE (mode 0600); passwords only when asked\n"
    "  import-file FILE [--on-conflict skip|rename|replace]\n"
    "                       store the locations of a location file; one whose id or name is\n"
    "                       taken is skipped (default), renamed or replaces the stored one;\n"
    "                       prints the id and name of each location stored\n"
    "  detect               the locations whose rules recognise the current network, most\n"
    "                       specific first: best mark (*), id, name, automatic (yes/no),\n"
    "                       the rules that matched (exit status 1 when none)\n"
    "  rules LOCATION       the location's rules: kind, value, BSSID\n"
    "  rules LOCATION add KIND VALUE [BSSID]\n"
    "                       add a rule; KIND is ssid (with an optional BSSID), gateway-mac,\n"
    "                       dhcp-server, domain or adapter (an interface with carrier)\n"
    "  rules LOCATION clear remove every rule of the location\n"
    "  rules LOCATION use-current\n"
    "                       replace the rules by those of the network this computer is on\n"
    "  auto                 automatic switching: \"all\" and on/off, then each location's flag\n"
    "  auto on|off [LOCATION]\n"
    "                       switch automatic switching on or off, for all or one location\n"
    "  watch [SETTLE_MS]    switch automatically until ended, as the program does; prints\n"
    "                       each network seen, switch made and tie; a line \"switch LOCATION\"\n"
    "                       on standard input switches by hand\n"
    "  --help               show this text\n"
    "  --version            show the program's version\n"
    "\n"
    "LOCATION is a location's id or its name, ADAPTER an adapter's id or its name.\n"
    "Output is tab-separated, one record per line; tabs and line breaks inside a value are\n"
    "printed as blanks. Errors go to standard error.\n"
    "\n"
    "Options:\n"
    "  --data FOLDER        use the data file qtm.dat in FOLDER; without it the folder named\n"
    "                       by WAYFAREL_DATA_DIR, else the program's own: beside this program,\n"
    "                       or in $XDG_DATA_HOME/wayfarel when that folder is read-only\n"
    "  --verbose            say on standard error how each step of a switch went\n"
    "\n"
    "While the Wayfarel program runs and holds the data file, list, show, current and switch ask\n"
    "it on the session bus (the switch then shows in its window and tray); import needs the file\n"
    "itself.\n"
    "\n"
    "Exit status: 0 done, 1 the command failed, 2 wrong usage, 3 the data file cannot be used\n"
    "(missing, unreadable, read-only, or held by the running Wayfarel program).\n";

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

[[noreturn]] void Fail(const QString &Message, TExitCode Code = ecFailed) { throw ECtlError(Message, Code); }

QTextStream &Out()
{
    static QTextStream Stream(stdout);
    return Stream;
}

void Warn(const QString &Message) { QTextStream(stderr) << "wayfarelctl: warning: " << Message << Qt::endl; }

// One record: the fields joined by tabs, none of them able to break the line or the columns.
void PrintRecord(const QStringList &Fields)
{
    QStringList Clean;
    for (QString Field : Fields)
        Clean.append(Field.replace(QLatin1Char('\t'), QLatin1Char(' '))
                         .replace(QLatin1Char('\r'), QLatin1Char(' '))
                         .replace(QLatin1Char('\n'), QLatin1Char(' ')));
    Out() << Clean.join(QLatin1Char('\t')) << '\n';
}

// Why the data file could not be opened, said plainly. The program holds the file
// exclusively while it runs, so a readable file that cannot even be read is held.
QString DataFileProblem(const QString &Path)
{
    const QFileInfo Info(Path);
    if (!Info.exists())
        return QStringLiteral("no data file at %1").arg(Path);
    if (!Info.isReadable())
        return QStringLiteral("the data file %1 cannot be read").arg(Path);
    if (!Info.isWritable() || !QFileInfo(Info.absolutePath()).isWritable())
        return QStringLiteral("the data file %1 is read-only (it and its folder must be writable)").arg(Path);
    bool Locked = false;
    {
        QSqlDatabase Probe = QSqlDatabase::addDatabase("QSQLITE", "probe");
        Probe.setDatabaseName(Path);
        Probe.setConnectOptions("QSQLITE_OPEN_READONLY;QSQLITE_BUSY_TIMEOUT=0");
        if (Probe.open()) {
            QSqlQuery Query(Probe);
            Locked = !Query.exec("SELECT COUNT(*) FROM sqlite_master") &&
                     Query.lastError().nativeErrorCode() == QLatin1String("5");
        }
        Probe.close();
    }
    QSqlDatabase::removeDatabase("probe");
    if (Locked)
        return QStringLiteral("the data file %1 is in use by another program (is Wayfarel "
                              "running?); close it and try again")
            .arg(Path);
    return QStringLiteral("%1 is not a usable Wayfarel data file").arg(Path);
}

// What the options before the command ask for. DataFolder is the folder named by --data, else
// by WAYFAREL_DATA_DIR; empty for the program's own.
struct TCtlOptions
{
    QString DataFolder;
    bool Verbose = false;
};

// Takes the options out of Args, leaving the command and its arguments.
TCtlOptions TakeOptions(QStringList &Args)
{
    TCtlOptions Options;
    Options.Verbose = Args.removeAll(QStringLiteral("--verbose")) > 0;
    QString Folder = qEnvironmentVariable("WAYFAREL_DATA_DIR");
    const qsizetype At = Args.indexOf(QStringLiteral("--data"));
    if (At >= 0) {
        if (At + 1 >= Args.size())
            Fail("--data needs a folder", ecUsage);
        Folder = Args.at(At + 1);
        Args.remove(At, 2);
    }
    if (!Folder.isEmpty())
        Options.DataFolder = QDir(Folder).absolutePath() + QLatin1Char('/');
    return Options;
}

// Names the data file as the program does; a folder given by the user must hold one already.
void ChooseDataFile(const QString &Folder)
{
    const QString ProgramFolder = QCoreApplication::applicationDirPath() + QLatin1Char('/');
    if (Folder.isEmpty())
        InitProgramConnectionString(ProgramFolder);
    else
        InitConnectionString(Folder, {DataFileTemplatePath(ProgramFolder), false});
}

// Opens the chosen data file, but a file that cannot be used ends the command with a message
// instead of the program's message box.
void OpenDataFile()
{
    SetOpenFailureHandler([] { Fail(DataFileProblem(ConnectionString()), ecDataFile); });
    SetLocationConnection(GetConnection());
}

// A call to the running program that found no answer ends the command.
void Require(bool Answered, const QString &Error)
{
    if (!Answered)
        Fail(Error);
}

// A location by id or name, or the command ends saying why not.
TLocation &FindLocation(const TLocationList &List, const QString &Key)
{
    QString Error;
    TLocation *Location = FindLocationByKey(List, Key, &Error);
    if (!Location)
        Fail(Error);
    return *Location;
}

// An adapter by id (letter case ignored), else by its connection name.
const TNetWork &FindAdapter(const TNetWorkList &Adapters, const QString &Key)
{
    if (const TNetWork *ById = Adapters.GetNetWork(Key))
        return *ById;
    QList<const TNetWork *> Named;
    for (int I = 0; I < Adapters.Count(); ++I)
        if (Adapters.Objects(I) && Adapters.Objects(I)->Name() == Key)
            Named.append(Adapters.Objects(I));
    if (Named.size() > 1)
        Fail(QStringLiteral("%1 adapters are named %2; give the id instead")
                 .arg(Named.size())
                 .arg(QuotedValue(Key)));
    if (Named.isEmpty())
        Fail(QStringLiteral("no adapter %1 (see wayfarelctl adapters)").arg(QuotedValue(Key)));
    return *Named.first();
}

QString StatusText(TStatus Status)
{
    switch (Status) {
    case nsWorking:
        return QStringLiteral("working");
    case nsNotWorking:
        return QStringLiteral("not working");
    case nsOff:
        return QStringLiteral("off");
    case nsDisable:
        return QStringLiteral("disabled");
    case nsUnkown:
        break;
    }
    return QStringLiteral("unknown");
}

using TCtlAction = std::function<void(const QStringList &, const TCtlOptions &)>;

struct TCtlCommand
{
    const char *Name;
    // -1: the command takes its arguments and options itself.
    int Arguments;
    bool NeedsData;
    TCtlAction Run;
    // The one option the command may take after its arguments; null for none.
    const char *Option = nullptr;
    // The same through the running program while it holds the data file; null where the
    // command needs the file itself.
    TCtlAction RunThroughProgram = nullptr;
    // How many arguments it takes at most; Arguments when less.
    int MaxArguments = 0;
};

// Each step of a switch on standard error as it ends, with the time it took.
class TStepPrinter : public ISwitchObserver
{
public:
    void StepStarted(const QString &) override { FTimer.start(); }
    void StepFinished(const TSwitchStep &Step) override
    {
        QTextStream(stderr) << "wayfarelctl: " << StepText(Step)
                            << QStringLiteral(" (%1 s)").arg(FTimer.elapsed() / 1000.0, 0, 'f', 2)
                            << Qt::endl;
    }

private:
    QElapsedTimer FTimer;
};

void PrintLocations(const QList<TLocationEntry> &Entries)
{
    for (const TLocationEntry &Entry : Entries)
        PrintRecord({Entry.Current ? "*" : "", Entry.Id, Entry.Name, Entry.AdapterId, Entry.Printer});
}

void ListLocations(const QStringList &, const TCtlOptions &)
{
    PrintLocations(LocationEntries(TLocationList(ProgramModules())));
}

void ListProgramLocations(const QStringList &, const TCtlOptions &)
{
    QList<TLocationEntry> Entries;
    QString Error;
    Require(RunningInstanceLocations(Entries, &Error), Error);
    PrintLocations(Entries);
}

void PrintRecords(const QList<QStringList> &Records)
{
    for (const QStringList &Record : Records)
        PrintRecord(Record);
}

void ShowLocation(const QStringList &Args, const TCtlOptions &)
{
    const TLocationList List(ProgramModules());
    PrintRecords(LocationRecords(List, FindLocation(List, Args.at(0)), TNetWorkList()));
}

void ShowProgramLocation(const QStringList &Args, const TCtlOptions &)
{
    QList<QStringList> Records;
    QString Error;
    Require(RunningInstanceRecords(Args.at(0), Records, &Error), Error);
    PrintRecords(Records);
}

void PrintCurrent(const QString &Id, const QString &Name)
{
    if (Id.isEmpty())
        Fail("no current location");
    PrintRecord({Id, Name});
}

void ShowCurrent(const QStringList &, const TCtlOptions &)
{
    const TLocationList List(ProgramModules());
    const TLocation *Current = List.CurrentLocation();
    PrintCurrent(Current ? Current->LocId() : QString(), Current ? Current->LocName() : QString());
}

void ShowProgramCurrent(const QStringList &, const TCtlOptions &)
{
    QString Id;
    QString Name;
    QString Error;
    Require(RunningInstanceCurrent(Id, Name, &Error), Error);
    PrintCurrent(Id, Name);
}

// The steps (when they were not told as they ended), the warnings, then the location or the
// reason it failed.
void PrintOutcome(const TSwitchOutcome &Outcome, const TCtlOptions &Options)
{
    if (Options.Verbose)
        for (const QString &Step : Outcome.Steps)
            QTextStream(stderr) << "wayfarelctl: " << Step << Qt::endl;
    for (const QString &Warning : Outcome.Warnings)
        Warn(Warning);
    if (Outcome.Status != ecDone)
        Fail(Outcome.Error);
    PrintRecord({Outcome.Id, Outcome.Name});
}

void SwitchLocation(const QStringList &Args, const TCtlOptions &Options)
{
    TLocationList List(ProgramModules());
    TLocation &Location = FindLocation(List, Args.at(0));
    const TNetWorkList Adapters;
    QString Error;
    TStepPrinter Printer;
    const bool Switched =
        List.SwitchToLocation(Location, Adapters, &Error, Options.Verbose ? &Printer : nullptr);
    PrintOutcome(SwitchOutcome(Location, Switched, Error, {}), Options);
}

// The program shows the switch in its window and tray; the steps come with its answer.
void SwitchThroughProgram(const QStringList &Args, const TCtlOptions &Options)
{
    TSwitchOutcome Outcome;
    QString Error;
    Require(RunningInstanceSwitch(Args.at(0), Outcome, &Error), Error);
    PrintOutcome(Outcome, Options);
}

void ImportLocation(const QStringList &Args, const TCtlOptions &)
{
    const QString Name = Args.at(0).trimmed();
    if (Name.isEmpty())
        Fail("a location needs a name", ecUsage);
    const TNetWorkList Adapters;
    const TNetWork &Adapter = FindAdapter(Adapters, Args.at(1));
    TLocationList List(ProgramModules());
    TLocation *Location = List.Add(TLocation::Import(Name, Name, Adapter.Id(), Adapters, ProgramModules()));
    if (!Location->IpAddress()->LastError().isEmpty())
        Warn(QStringLiteral("the adapter's settings were not imported: %1")
                 .arg(Location->IpAddress()->LastError()));
    List.WriteRegistry();
    PrintRecord({Location->LocId(), Location->LocName()});
}

void ListAdapters(const QStringList &, const TCtlOptions &)
{
    const TNetWorkList Adapters;
    for (int I = 0; I < Adapters.Count(); ++I) {
        const TNetWork *Adapter = Adapters.Objects(I);
        if (Adapter)
            PrintRecord(
                {Adapter->Id(), Adapter->Name(), Adapter->Description(), StatusText(Adapter->Status())});
    }
}

void ListPrinters(const QStringList &, const TCtlOptions &)
{
    QList<TPrinterInfo> Printers;
    QString Reason;
    if (!InstalledPrinters(Printers, &Reason))
        Fail(QStringLiteral("cannot list the printers: %1").arg(Reason));
    for (const TPrinterInfo &Printer : Printers)
        PrintRecord({Printer.Default ? "*" : "", Printer.Name});
}

void PrintShares(const QStringList &, const TCtlOptions &)
{
    QList<TUserShare> Shares;
    QString Reason;
    if (!ListShares(Shares, &Reason))
        Fail(QStringLiteral("cannot list the shares: %1").arg(Reason));
    for (const TUserShare &Share : std::as_const(Shares))
        PrintRecord({Share.Name, Share.Path, Share.Comment});
}

void RestoreLogonDrives()
{
    QStringList Restored;
    QStringList Failures;
    RestoreDrives(&Restored, &Failures);
    for (const QString &Drive : std::as_const(Restored))
        PrintRecord({Drive});
    if (!Failures.isEmpty())
        Fail(QStringLiteral("not restored: %1").arg(Failures.join(QStringLiteral("; "))));
}

void PrintDrives(const QStringList &Args, const TCtlOptions &)
{
    if (!Args.isEmpty()) {
        RestoreLogonDrives();
        return;
    }
    QList<TDriveConnection> Drives;
    QString Reason;
    if (!ListDrives(Drives, &Reason))
        Fail(QStringLiteral("cannot list the drives: %1").arg(Reason));
    for (const TDriveConnection &Drive : std::as_const(Drives))
        PrintRecord({Drive.Drive, Drive.RemotePath, Drive.LocalPath, Drive.Persistent ? "yes" : "no"});
}

QList<TKnownAdapter> KnownAdapters()
{
    const TNetWorkList Adapters;
    QList<TKnownAdapter> Known;
    for (int I = 0; I < Adapters.Count(); ++I)
        if (const TNetWork *Adapter = Adapters.Objects(I))
            Known.append({Adapter->Id(), Adapter->Name()});
    return Known;
}

// The value after Option in Args, taken out with it; Default without the option.
QString TakeOptionValue(QStringList &Args, const QString &Option, const QString &Default = QString())
{
    const qsizetype At = Args.indexOf(Option);
    if (At < 0)
        return Default;
    if (At + 1 >= Args.size())
        Fail(QStringLiteral("%1 needs a value").arg(Option), ecUsage);
    const QString Value = Args.at(At + 1);
    Args.remove(At, 2);
    return Value;
}

void ExportToFile(const QStringList &Arguments, const TCtlOptions &)
{
    QStringList Args = Arguments;
    const bool WithPasswords = Args.removeAll(QStringLiteral("--with-passwords")) > 0;
    const QString Path = TakeOptionValue(Args, QStringLiteral("-o"));
    const TLocationList List(ProgramModules());
    QStringList LocIds;
    for (const QString &Key : std::as_const(Args))
        LocIds.append(FindLocation(List, Key).LocId());
    QByteArray Document;
    QString Error;
    if (!ExportLocations(ProgramModules(), KnownAdapters(), LocIds, WithPasswords, Document, &Error))
        Fail(Error);
    if (!Path.isEmpty() && !SaveLocationFile(Path, Document, &Error))
        Fail(Error);
    if (Path.isEmpty()) {
        QFile Output;
        if (!Output.open(stdout, QIODevice::WriteOnly) || Output.write(Document) != Document.size())
            Fail(QStringLiteral("cannot write the location file: %1").arg(Output.errorString()));
    }
}

TConflictChoice ConflictChoice(const QString &Text)
{
    const QList<QPair<QString, TConflictChoice>> Choices{{"skip", TConflictChoice::Skip},
                                                         {"rename", TConflictChoice::Rename},
                                                         {"replace", TConflictChoice::Replace}};
    for (const auto &[Name, Choice] : Choices)
        if (Text == Name)
            return Choice;
    Fail(QStringLiteral("--on-conflict takes skip, rename or replace, not %1").arg(QuotedValue(Text)),
         ecUsage);
}

void ImportFromFile(const QStringList &Arguments, const TCtlOptions &)
{
    QStringList Args = Arguments;
    const TConflictChoice Choice = ConflictChoice(TakeOptionValue(Args, "--on-conflict", "skip"));
    if (Args.size() != 1)
        Fail("import-file takes 1 argument; see wayfarelctl --help", ecUsage);
    TLocationImport Import(ProgramModules());
    if (!Import.CheckFile(Args.first()))
        Fail(QStringLiteral("%1 is refused, nothing was imported:\n  %2")
                 .arg(QuotedValue(Args.first()), Import.Problems().join(QStringLiteral("\n  "))));
    if (!Import.Store(Choice, KnownAdapters()))
        Fail(QStringLiteral("nothing was imported: %1").arg(Import.LastError()));
    for (const QString &Notice : Import.Notices())
        Warn(Notice);
    TLocationList List(ProgramModules());
    List.WriteRegistry();
    for (const QString &LocId : Import.StoredIds())
        PrintRecord({LocId, List.GetItemByLocId(LocId)->LocName()});
}

// NetworkManager on the system bus, the gateway MACs from the ARP lookup.
TNMFingerprintSource &NetworkSource()
{
    static TNMFingerprintSource Source(std::make_shared<TNMDBus>(QDBusConnection::systemBus()));
    return Source;
}

// One look at the network, with the event loop running while it is taken.
TNetworkFingerprint CurrentNetwork()
{
    TNetworkFingerprint Network;
    QEventLoop Loop;
    NetworkSource().Read([&](const TNetworkFingerprint &Seen) {
        Network = Seen;
        Loop.quit();
    });
    Loop.exec();
    return Network;
}

QString RulesText(const QList<TLocationRule> &Rules)
{
    QStringList Texts;
    for (const TLocationRule &Rule : Rules)
        Texts.append(RuleWords(Rule).join(QLatin1Char(' ')));
    return Texts.join(QStringLiteral("; "));
}

void PrintNetwork(const TNetworkFingerprint &Network)
{
    for (const QString &Line : Network.Lines())
        QTextStream(stderr) << "wayfarelctl: network: " << Line << Qt::endl;
}

void DetectLocation(const QStringList &, const TCtlOptions &Options)
{
    const TLocationList List(ProgramModules());
    const TNetworkFingerprint Network = CurrentNetwork();
    if (Options.Verbose)
        PrintNetwork(Network);
    const QList<TLocationCandidate> Candidates = RuleCandidates(List, false);
    const QList<TLocationCandidate> Automatic = RuleCandidates(List, true);
    const QList<TLocationMatch> Matches = MatchLocations(Candidates, Network);
    const QList<TLocationMatch> Best = BestMatches(Matches);
    for (const TLocationMatch &Match : Matches) {
        const bool IsAutomatic =
            std::any_of(Automatic.cbegin(), Automatic.cend(),
                        [&](const TLocationCandidate &C) { return C.LocId == Match.LocId; });
        PrintRecord({Match.Specificity == Best.first().Specificity ? "*" : "", Match.LocId, Match.LocName,
                     IsAutomatic ? "yes" : "no", RulesText(Match.Matched)});
    }
    if (Matches.isEmpty())
        Fail("no location's rules recognise the current network");
}

TLocationRules LoadedRules(const QString &LocId)
{
    TLocationRules Rules(LocId);
    if (!Rules.Load())
        Fail(QStringLiteral("cannot read the rules: %1").arg(Rules.LastError()));
    return Rules;
}

void SaveRules(TLocationRules &Rules)
{
    if (!Rules.Save())
        Fail(QStringLiteral("cannot store the rules: %1").arg(Rules.LastError()));
}

// The location's rules as they become: Words after the location say how.
QList<TLocationRule> ChangedRules(const QList<TLocationRule> &Rules, const QStringList &Words)
{
    const QString Verb = Words.value(0);
    if (Verb == QLatin1String("clear") && Words.size() == 1)
        return {};
    if (Verb == QLatin1String("use-current") && Words.size() == 1)
        return CurrentNetwork().SuggestedRules();
    if (Verb != QLatin1String("add"))
        Fail(QStringLiteral("rules LOCATION takes add, clear or use-current; see wayfarelctl --help"),
             ecUsage);
    TLocationRule Rule;
    QString Error;
    if (!ParseRule(Words.mid(1), Rule, &Error))
        Fail(Error, ecUsage);
    return Rules.contains(Rule) ? Rules : Rules + QList<TLocationRule>{Rule};
}

void EditRules(const QStringList &Args, const TCtlOptions &)
{
    const TLocationList List(ProgramModules());
    TLocationRules Rules = LoadedRules(FindLocation(List, Args.at(0)).LocId());
    if (Args.size() > 1) {
        Rules.SetRules(ChangedRules(Rules.Rules(), Args.mid(1)));
        SaveRules(Rules);
    }
    for (const TLocationRule &Rule : Rules.Rules())
        PrintRecord(RuleWords(Rule));
}

bool OnOff(const QString &Word)
{
    if (Word != QLatin1String("on") && Word != QLatin1String("off"))
        Fail(QStringLiteral("auto takes on or off, not %1").arg(QuotedValue(Word)), ecUsage);
    return Word == QLatin1String("on");
}

void SetAutomatic(const QStringList &Args, const TCtlOptions &)
{
    const TLocationList List(ProgramModules());
    if (Args.size() == 1)
        TConfig::GetConfig()->SetAutoSwitch(OnOff(Args.at(0)));
    if (Args.size() == 2) {
        TLocationRules Rules = LoadedRules(FindLocation(List, Args.at(1)).LocId());
        Rules.SetAutomatic(OnOff(Args.at(0)));
        SaveRules(Rules);
    }
    PrintRecord({"all", TConfig::GetConfig()->AutoSwitch() ? "on" : "off"});
    for (int I = 0; I < List.Count(); ++I)
        PrintRecord({List.Items(I)->LocId(), List.Items(I)->LocName(),
                     LoadedRules(List.Items(I)->LocId()).Automatic() ? "on" : "off"});
}

// The program's automatic switching without its windows: what it sees and does goes to
// standard output, one record a line, as it happens.
class TCtlWatch
{
public:
    explicit TCtlWatch(qint64 SettleMs)
        : FSwitcher(NetworkSource(), Hooks(), SettleMs), FInput(0, QSocketNotifier::Read)
    {
        QObject::connect(&FInput, &QSocketNotifier::activated, [this] { ReadCommand(); });
        QObject::connect(&FSignals, &TTermSignals::Received, [] { QCoreApplication::quit(); });
    }

    void Run()
    {
        FSwitcher.Start();
        QCoreApplication::exec();
    }

private:
    TAutoSwitcher::THooks Hooks()
    {
        TAutoSwitcher::THooks Hooks;
        Hooks.Candidates = [this] {
            return TConfig::GetConfig()->AutoSwitch() ? RuleCandidates(FList, true)
                                                      : QList<TLocationCandidate>{};
        };
        Hooks.CurrentLocId = [this] {
            return FList.CurrentLocation() ? FList.CurrentLocation()->LocId() : QString();
        };
        Hooks.SwitchTo = [this](const QString &LocId) { return SwitchTo(LocId); };
        Hooks.Switched = [this](const TAutoDecision &Decision, const QString &, bool Switched,
                                qint64 SettledMs, qint64 SwitchMs) {
            const TLocation *Location = FList.GetItemByLocId(Decision.LocId);
            Emit({Switched ? "switched" : "switch-failed", Decision.LocId,
                  Location ? Location->LocName() : QString(), QString::number(SettledMs),
                  QString::number(SwitchMs)});
        };
        Hooks.Ask = [this](const TAutoDecision &Decision) {
            QStringList Record{"ask"};
            for (const TLocationMatch &Match : Decision.Tied)
                Record << Match.LocId;
            Emit(Record);
        };
        Hooks.Changed = [this](const TNetworkFingerprint &Network) {
            Emit(QStringList{"network"} + (Network.IsEmpty() ? QStringList{"none"} : Network.Lines()));
        };
        return Hooks;
    }

    bool SwitchTo(const QString &LocId)
    {
        QString Error;
        const bool Switched = FList.SwitchToLocation(LocId, TNetWorkList(), &Error);
        if (!Switched)
            Warn(QStringLiteral("switching to %1 failed: %2").arg(LocId, Error));
        return Switched;
    }

    // "switch LOCATION": a switch by hand, which the watcher keeps to until the network changes.
    void ReadCommand()
    {
        QTextStream In(stdin);
        const QString Line = In.readLine();
        if (Line.isNull()) {
            FInput.setEnabled(false);
            return;
        }
        const QStringList Words = Line.split(QLatin1Char(' '), Qt::SkipEmptyParts);
        if (Words.size() != 2 || Words.first() != QLatin1String("switch")) {
            Warn(QStringLiteral("unknown input %1").arg(QuotedValue(Line)));
            return;
        }
        const TLocation *Location = FList.GetItemByLocId(Words.at(1));
        FSwitcher.SwitchStarted();
        const bool Switched = Location && SwitchTo(Location->LocId());
        FSwitcher.SwitchFinished();
        Emit({Switched ? "hand-switched" : "switch-failed", Words.at(1)});
    }

    static void Emit(const QStringList &Record)
    {
        PrintRecord(Record);
        Out().flush();
    }

    TLocationList FList{ProgramModules()};
    TAutoSwitcher FSwitcher;
    QSocketNotifier FInput;
    TTermSignals FSignals;
};

void WatchNetwork(const QStringList &Args, const TCtlOptions &)
{
    bool Ok = true;
    const qint64 SettleMs = Args.isEmpty() ? 2000 : Args.at(0).toLongLong(&Ok);
    if (!Ok || SettleMs < 0)
        Fail(QStringLiteral("watch takes a settle time in milliseconds"), ecUsage);
    TCtlWatch Watch(SettleMs);
    Watch.Run();
}

const QList<TCtlCommand> &Commands()
{
    static const QList<TCtlCommand> List{
        {"list", 0, true, ListLocations, nullptr, ListProgramLocations},
        {"show", 1, true, ShowLocation, nullptr, ShowProgramLocation},
        {"current", 0, true, ShowCurrent, nullptr, ShowProgramCurrent},
        {"switch", 1, true, SwitchLocation, nullptr, SwitchThroughProgram},
        {"import", 2, true, ImportLocation},
        {"adapters", 0, false, ListAdapters},
        {"printers", 0, false, ListPrinters},
        {"shares", 0, false, PrintShares},
        {"drives", 0, false, PrintDrives, "--restore"},
        {"export", -1, true, ExportToFile},
        {"import-file", -1, true, ImportFromFile},
        {"detect", 0, true, DetectLocation},
        {"rules", 1, true, EditRules, nullptr, nullptr, 5},
        {"auto", 0, true, SetAutomatic, nullptr, nullptr, 2},
        {"watch", 0, true, WatchNetwork, nullptr, nullptr, 1},
    };
    return List;
}

int Run(QStringList Args)
{
    const TCtlOptions Options = TakeOptions(Args);
    const QString Name = Args.value(0);
    if (Name == QLatin1String("--version")) {
        Out() << "wayfarelctl " << WAYFAREL_VERSION << '\n';
        return ecDone;
    }
    if (Name == QLatin1String("--help")) {
        Out() << Usage;
        return ecDone;
    }
    if (Name.isEmpty())
        Fail(QStringLiteral("no command given\n") + Usage, ecUsage);
    for (const TCtlCommand &Command : Commands()) {
        if (Name != QLatin1String(Command.Name))
            continue;
        const bool WithOption = Command.Option && Args.constLast() == QLatin1String(Command.Option);
        const qsizetype Given = Args.size() - 1 - WithOption;
        const int Most = std::max(Command.Arguments, Command.MaxArguments);
        if (Command.Arguments >= 0 && (Given < Command.Arguments || Given > Most))
            Fail(QStringLiteral("%1 takes %2 argument(s); see wayfarelctl --help")
                     .arg(Name)
                     .arg(Most > Command.Arguments
                              ? QStringLiteral("%1 to %2").arg(Command.Arguments).arg(Most)
                              : QString::number(Command.Arguments)),
                 ecUsage);
        if (Command.NeedsData) {
            ChooseDataFile(Options.DataFolder);
            if (Command.RunThroughProgram && RunningInstanceHolds(ConnectionString())) {
                Command.RunThroughProgram(Args.mid(1), Options);
                return ecDone;
            }
            OpenDataFile();
        }
        Command.Run(Args.mid(1), Options);
        return ecDone;
    }
    Fail(QStringLiteral("unknown command %1; see wayfarelctl --help").arg(QuotedValue(Name)), ecUsage);
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication App(argc, argv);
    InstallSystemBackends(QDBusConnection::systemBus());
    int Code = ecDone;
    try {
        Code = Run(App.arguments().mid(1));
    } catch (const ECtlError &Error) {
        Code = Error.Code();
        QTextStream(stderr) << "wayfarelctl: " << Error.Message() << Qt::endl;
    } catch (const EWayfarelError &Error) {
        Code = ecFailed;
        QTextStream(stderr) << "wayfarelctl: " << Error.Message() << Qt::endl;
    }
    Out().flush();
    // The gateway binding stays in the neighbour table; keeping it repaired is the program's.
    TNetRepaire::Shutdown();
    CloseConnection();
    return Code;
}
