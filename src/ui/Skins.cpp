#include "ui/Skins.h"

#include <QApplication>
#include <QFile>
#include <QStyleFactory>

namespace {

const QString DefaultSkin = QStringLiteral("Acryl");

QString SkinFile(const QString &Name)
{
    return QStringLiteral(":/skins/%1.qss").arg(QString(Name).remove(QLatin1Char(' ')));
}

} // namespace

QStringList SkinNames()
{
    QStringList Names{QStringLiteral("Shine"),  QStringLiteral("Acryl"),   QStringLiteral("BlueGlass"),
                      QStringLiteral("Golden"), QStringLiteral("TheFrog"), QStringLiteral("Snow Leopard")};
    Names.sort();
    return Names;
}

QString KnownSkin(const QString &Name) { return SkinNames().contains(Name) ? Name : DefaultSkin; }

QString SkinStyleSheet(const QString &Name)
{
    if (!SkinNames().contains(Name))
        return {};
    QFile Sheet(SkinFile(Name));
    return Sheet.open(QIODevice::ReadOnly) ? QString::fromUtf8(Sheet.readAll()) : QString();
}

bool ApplySkin(const QString &Name)
{
    const QString Sheet = SkinStyleSheet(Name);
    if (Sheet.isEmpty())
        return false;
    // The sheets are drawn over Fusion, which looks the same on every desktop.
    static const bool OnFusion = [] {
        QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
        return true;
    }();
    Q_UNUSED(OnFusion)
    qApp->setStyleSheet(Sheet);
    return true;
}
