#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <utility>

class TCtlContext;

// One entry of the usage text: how it is written, then what it does, already broken into the
// lines the usage shows.
struct TCtlHelp
{
    QString Synopsis;
    QString Text;
};

// The entry as the usage text shows it: the synopsis, and the text in a column beside it (below
// it when the synopsis is too wide).
QString HelpLines(const TCtlHelp &Help);

// How a command looks to the user; MinArguments -1 when the command takes its arguments and
// options itself.
struct TCtlCommandInfo
{
    QString Name;
    QList<TCtlHelp> Help;
    // Whether it works on the data file, which is then chosen and opened before it runs.
    bool NeedsData = true;
    int MinArguments = 0;
    // How many arguments it takes at most; MinArguments when less.
    int MaxArguments = 0;
    // The one option it may take after its arguments; empty for none.
    QString Option = {};
};

// A command of wayfarelctl, one class each; Commands.cpp holds the table of them.
class TCtlCommand
{
public:
    virtual ~TCtlCommand() = default;

    const QString &Name() const { return FInfo.Name; }
    bool NeedsData() const { return FInfo.NeedsData; }
    // Its entries of the usage text.
    QString HelpText() const;
    // Ends the command with a usage error when it does not take Args (what follows its name).
    void CheckArguments(const QStringList &Args) const;

    virtual void Run(const QStringList &Args, TCtlContext &Context) const = 0;

protected:
    explicit TCtlCommand(TCtlCommandInfo Info) : FInfo(std::move(Info)) {}

private:
    TCtlCommandInfo FInfo;
};

// A command the running program answers while it holds the data file, so that the command works
// then too; the others need the file itself.
class ICtlProgramCommand
{
public:
    virtual ~ICtlProgramCommand() = default;
    virtual void RunThroughProgram(const QStringList &Args, TCtlContext &Context) const = 0;
};
