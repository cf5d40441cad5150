#pragma once

#include <QString>

// The program's version as four numbers joined by "." ("0.1.0.0"), taken from the version the
// build was made with; empty when that is not of the dotted numeric form.
QString GetAppVersion();
// The same for a given version text of one to four dotted numbers; missing numbers are 0.
QString FourPartVersion(const QString &Version);
