// wayfarelctl: the locations from a terminal or a script. Results go to standard output as
// tab-separated records, one per line; errors go to standard error.

#include "cli/wayfarelctl.h"

#include "app/DBManager.h"
#include "base/NetText.h"
#include "cli/Commands.h"
#include "cli/CtlSupport.h"
#include "lantools/uNetRepaire.h"
#include "platform/desktop/InstanceBus.h"

#include <algorithm>

namespace {

// The commands' part comes from the commands themselves, so it names every one of the table.
QString Usage()
{
    QString Text = QStringLiteral("Usage: wayfarelctl [--data FOLDER] [--verbose] COMMAND [ARGUMENTS]\n"
                                  "Switches this computer between network locations from a terminal.\n"
                                  "\n"
                                  "Commands:\n");
    for (const auto &Command : CtlCommands())
        Text += Command->HelpText();
    Text += HelpLines({"--help", "show this text"});
    Text += HelpLines({"--version", "show the program's version"});
    Text += QStringLiteral(
        "\n"
        "LOCATION is a location's id or its name, ADAPTER an adapter's id or its name.\n"
        "Output is tab-separated, one record per line; tabs and line breaks inside a value are\n"
        "printed as blanks. Errors go to standard error.\n"
        "\n"
        "Options:\n");
    Text += HelpLines({"--data FOLDER", "use the data file qtm.dat in FOLDER; without it the folder named\n"
                                        "by WAYFAREL_DATA_DIR, else the program's own: beside this program,\n"
                                        "or in $XDG_DATA_HOME/wayfarel when that folder is read-only"});
    Text += HelpLines({"--verbose", "say on standard error how each step of a switch went"});
    Text += QStringLiteral(
        "\n"
        "While the Wayfarel program runs and holds the data file, list, show, current and switch ask\n"
        "it on the session bus (the switch then shows in its window and tray); import needs the file\n"
        "itself.\n"
        "\n"
        "Exit status: 0 done, 1 the command failed, 2 wrong usage, 3 the data file cannot be used\n"
        "(missing, unreadable, read-only, or held by the running Wayfarel program).\n");
    return Text;
}

void RunCommand(QStringList Args, QTextStream &Out, QTextStream &Err)
{
    const TCtlOptions Options = TakeOptions(Args);
    const QString Name = Args.value(0);
    if (Name == QLatin1String("--version")) {
        Out << "wayfarelctl " << WAYFAREL_VERSION << '\n';
        return;
    }
    if (Name == QLatin1String("--help")) {
        Out << Usage();
        return;
    }
    if (Name.isEmpty())
        Fail(QStringLiteral("no command given\n") + Usage(), ecUsage);
    const auto Found = std::find_if(CtlCommands().cbegin(), CtlCommands().cend(),
                                    [&](const auto &Command) { return Command->Name() == Name; });
    if (Found == CtlCommands().cend())
        Fail(QStringLiteral("unknown command %1; see wayfarelctl --help").arg(QuotedValue(Name)), ecUsage);
    const TCtlCommand &Command = **Found;
    const QStringList Arguments = Args.mid(1);
    Command.CheckArguments(Arguments);
    TCtlContext Context(Out, Err, Options);
    if (Command.NeedsData()) {
        ChooseDataFile(Options.DataFolder);
        const auto *ThroughProgram = dynamic_cast<const ICtlProgramCommand *>(&Command);
        if (ThroughProgram && RunningInstanceHolds(ConnectionString())) {
            ThroughProgram->RunThroughProgram(Arguments, Context);
            return;
        }
        OpenDataFile();
    }
    Command.Run(Arguments, Context);
}

} // namespace

int RunWayfarelctl(const QStringList &Args, QTextStream &Out, QTextStream &Err)
{
    const TOpenFailureHandler CallersHandler = SetOpenFailureHandler({});
    int Code = ecDone;
    try {
        RunCommand(Args, Out, Err);
    } catch (const ECtlError &Error) {
        Code = Error.Code();
        Err << "wayfarelctl: " << Error.Message() << Qt::endl;
    } catch (const EWayfarelError &Error) {
        Code = ecFailed;
        Err << "wayfarelctl: " << Error.Message() << Qt::endl;
    }
    Out.flush();
    // The gateway binding stays in the neighbour table; keeping it repaired is the program's.
    TNetRepaire::Shutdown();
    CloseConnection();
    SetOpenFailureHandler(CallersHandler);
    return Code;
}
