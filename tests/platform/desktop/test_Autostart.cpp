#include "platform/desktop/Autostart.h"
#include "support/TestRoot.h"

#include <QFile>
#include <gtest/gtest.h>

namespace {

QString ExecLine()
{
    QFile Entry(Autostart::EntryPath());
    if (!Entry.open(QIODevice::ReadOnly | QIODevice::Text))
        return {};
    for (const QByteArray &Line : Entry.readAll().split('\n'))
        if (Line.startsWith("Exec="))
            return QString::fromUtf8(Line.mid(5));
    return {};
}

void WriteEntry(const QByteArray &Text)
{
    QFile Entry(Autostart::EntryPath());
    ASSERT_TRUE(Entry.open(QIODevice::WriteOnly));
    Entry.write(Text);
}

} // namespace

TEST(Autostart, TheEntryLivesInTheUsersAutostartFolder)
{
    TTestRoot Root;
    EXPECT_EQ(Autostart::EntryPath(), Root.Path() + "/config/autostart/wayfarel.desktop");
    EXPECT_FALSE(Autostart::IsEnabled());
}

TEST(Autostart, SwitchingOnWritesTheProgramWithItsArgumentsAndOffRemovesIt)
{
    TTestRoot Root;
    QString Error;
    ASSERT_TRUE(Autostart::SetEnabled(true, "/usr/bin/wayfarel", {"--tray"}, &Error)) << Error.toStdString();
    EXPECT_TRUE(Autostart::IsEnabled());
    EXPECT_EQ(ExecLine(), "/usr/bin/wayfarel --tray");
    ASSERT_TRUE(Autostart::SetEnabled(false, "/usr/bin/wayfarel", {"--tray"}, &Error));
    EXPECT_FALSE(QFile::exists(Autostart::EntryPath()));
    EXPECT_TRUE(Autostart::SetEnabled(false, "/usr/bin/wayfarel", {}, &Error)) << "nothing to remove is fine";
}

TEST(Autostart, ReservedCharactersAreQuotedAsTheDesktopEntryFormatWants)
{
    TTestRoot Root;
    const struct
    {
        const char *Program;
        const char *Exec;
    } Cases[] = {
        {"/opt/way farel/wayfarel", "\"/opt/way farel/wayfarel\" --tray"},
        {"/opt/$HOME/wayfarel", "\"/opt/\\\\$HOME/wayfarel\" --tray"},
        {"/opt/100%/wayfarel", "\"/opt/100%%/wayfarel\" --tray"},
        {"/opt/a\"b/wayfarel", "\"/opt/a\\\\\"b/wayfarel\" --tray"},
    };
    for (const auto &Case : Cases) {
        ASSERT_TRUE(Autostart::SetEnabled(true, Case.Program, {"--tray"}));
        EXPECT_EQ(ExecLine(), Case.Exec) << Case.Program;
    }
}

TEST(Autostart, AnEntrySwitchedOffByTheDesktopCountsAsOff)
{
    TTestRoot Root;
    ASSERT_TRUE(Autostart::SetEnabled(true, "/usr/bin/wayfarel", {}));
    const QByteArray Head = "[Desktop Entry]\nType=Application\nExec=wayfarel\n";
    for (const QByteArray &Off :
         {QByteArray("Hidden=true\n"), QByteArray("X-GNOME-Autostart-enabled=false\n")}) {
        WriteEntry(Head + Off);
        EXPECT_FALSE(Autostart::IsEnabled()) << Off.constData();
    }
    WriteEntry(Head + "Hidden=false\n[Other Group]\nHidden=true\n");
    EXPECT_TRUE(Autostart::IsEnabled());
}

TEST(Autostart, AFolderThatCannotBeMadeFailsWithTheReason)
{
    TTestRoot Root;
    QFile Blocker(Root.Path() + "/config/autostart");
    ASSERT_TRUE(Blocker.open(QIODevice::WriteOnly));
    Blocker.close();
    QString Error;
    EXPECT_FALSE(Autostart::SetEnabled(true, "/usr/bin/wayfarel", {}, &Error));
    EXPECT_TRUE(Error.contains("autostart")) << Error.toStdString();
}
