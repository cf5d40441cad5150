#include "ui/HelpPages.h"

#include "app/uLanguages.h"
#include "platform/desktop/MessageBox.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>

namespace {

QUrl ConfiguredOr(const char *Address, const QUrl &HelpPage)
{
    const QString Configured = QString::fromUtf8(Address).trimmed();
    return Configured.isEmpty() ? HelpPage : QUrl(Configured);
}

QUrl HelpSectionUrl(const QString &Page, const QString &Section)
{
    QUrl Url = HelpPageUrl(Page);
    Url.setFragment(Section);
    return Url;
}

} // namespace

QString HelpFolder()
{
    return QDir::cleanPath(QCoreApplication::applicationDirPath() +
                           QStringLiteral("/../share/wayfarel/help"));
}

QUrl HelpPageUrl(const QString &Page) { return QUrl::fromLocalFile(HelpFolder() + QLatin1Char('/') + Page); }

QUrl HelpTopicsUrl() { return HelpPageUrl(QStringLiteral("index.html")); }

QUrl HomepageUrl() { return ConfiguredOr(WAYFAREL_HOMEPAGE_URL, HelpPageUrl(QStringLiteral("home.html"))); }

QUrl UpdateUrl() { return ConfiguredOr(WAYFAREL_UPDATE_URL, HelpPageUrl(QStringLiteral("updates.html"))); }

// The support section of the home page says where to turn.
QUrl FeedbackUrl()
{
    return ConfiguredOr(WAYFAREL_FEEDBACK_URL,
                        HelpSectionUrl(QStringLiteral("home.html"), QStringLiteral("support")));
}

bool OpenPage(const QUrl &Url)
{
    const bool Missing = Url.isLocalFile() && !QFileInfo::exists(Url.toLocalFile());
    if (!Missing && QDesktopServices::openUrl(Url))
        return true;
    const QString Shown = Url.isLocalFile() ? Url.toLocalFile() : Url.toString();
    TMessageBox::Show(FormatLangStr(GetLangStr("EN", "7801", "The page %s cannot be opened."), {Shown}),
                      QStringLiteral("Error"), TMsgIcon::Error);
    return false;
}
