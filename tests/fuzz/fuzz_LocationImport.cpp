// A location file someone hands over. A file the checks refuse is not stored and leaves every
// byte of the data file as it was; a file they accept is stored, and what was stored exports
// to a file the checks accept again.
#include "FuzzSupport.h"

#include "app/DBManager.h"
#include "modules/ProgramModules.h"
#include "transfer/LocationExport.h"
#include "transfer/LocationImport.h"

#include <QDir>
#include <QFile>

namespace {

QString DataFile()
{
    static const QString Folder = [] {
        const QString Path = FuzzRoot() + QStringLiteral("/data/");
        QDir().mkpath(Path);
        InitConnectionString(Path, {QStringLiteral(WAYFAREL_DATA_TEMPLATE), true});
        SetLocationConnection(GetConnection());
        return Path;
    }();
    return Folder + QStringLiteral("qtm.dat");
}

QByteArray DataBytes()
{
    QFile File(DataFile());
    return File.open(QIODevice::ReadOnly) ? File.readAll() : QByteArray();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray Before = DataBytes();
    static TLocationImport Import(ProgramModules());
    const QByteArray Bytes(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    if (!Import.Check(Bytes)) {
        FuzzCheck(!Import.Problems().isEmpty(), "a refused file says why");
        FuzzCheck(!Import.Store(TConflictChoice::Replace, {}), "a refused file is not stored");
        FuzzCheck(DataBytes() == Before, "a refused file leaves the data file as it was");
        return 0;
    }
    FuzzCheck(Import.Store(TConflictChoice::Replace, {}), "a checked file is stored");
    QByteArray Exported;
    FuzzCheck(ExportLocations(ProgramModules(), {}, Import.StoredIds(), true, Exported),
              "what was stored exports");
    FuzzCheck(TLocationImport(ProgramModules()).Check(Exported), "an export passes the checks");
    return 0;
}
