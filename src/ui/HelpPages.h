#pragma once

#include <QString>
#include <QUrl>

// The bundled help: HTML pages written for this program, installed in share/wayfarel/help
// beside the program's bin folder (the build tree has the same layout). The home page and the
// updates page are addresses given at build time (WAYFAREL_HOMEPAGE_URL, WAYFAREL_UPDATE_URL),
// and so is the feedback page (WAYFAREL_FEEDBACK_URL); without them they are pages of the
// bundled help.

QString HelpFolder();
// A page of the bundled help as a file address.
QUrl HelpPageUrl(const QString &Page);
QUrl HelpTopicsUrl();
QUrl HomepageUrl();
QUrl UpdateUrl();
// Where users ask for a module the program lacks.
QUrl FeedbackUrl();
// Opens Url in the desktop's browser; when that fails the user is told which page could not be
// opened and the result is false.
bool OpenPage(const QUrl &Url);
