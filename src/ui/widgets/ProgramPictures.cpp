#include "ui/widgets/ProgramPictures.h"

// Outside any namespace, as the resource macro needs.
static void RegisterPictures()
{
    // The pictures live in a static library, whose resources are not registered by themselves.
    static const bool registered = [] {
        Q_INIT_RESOURCE(pictures);
        return true;
    }();
    Q_UNUSED(registered);
}

QString ProgramPicturePath(const QString &Name)
{
    RegisterPictures();
    return QStringLiteral(":/pictures/") + Name;
}

QPixmap ProgramPicture(const QString &Name) { return QPixmap(ProgramPicturePath(Name)); }
