#pragma once

#include <QString>

// Where the user's Firefox keeps its profile, found as Firefox itself finds it on Linux.

// ~/.mozilla/firefox when that folder exists, else $XDG_CONFIG_HOME/mozilla/firefox
// (~/.config/mozilla/firefox without the variable).
QString FirefoxProfilesRoot();
// The profile folder Firefox starts with: the one its install section names (profiles.ini,
// then installs.ini; the first install when several are listed), else the Default=1 profile
// of profiles.ini. Empty when there is none or it does not exist.
QString FirefoxProfileDir();
// True when a Firefox process on this host holds the profile: its lock symlink reads
// "IP:+PID" with an address of this host and a live process.
bool FirefoxHoldsProfile(const QString &profileDir);
