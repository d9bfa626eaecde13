// Registering the carried Liberation Sans where the system's Arial would change the windows' metrics.
#include "ui/Fonts.h"

#include <QFile>
#include <QFontDatabase>
#include <QFontInfo>
#include <QStringList>

namespace {

// Arial and the fonts drawn to its exact advance widths.
bool IsArialMetrics(const QString& family)
{
    return QStringList{QStringLiteral("Arial"), QStringLiteral("Liberation Sans"), QStringLiteral("Arimo")}
        .contains(family, Qt::CaseInsensitive);
}

bool AddCarriedFont(const QString& name)
{
    QFile file(QStringLiteral(":/trackpace/fonts/") + name);
    return file.open(QIODevice::ReadOnly) && QFontDatabase::addApplicationFontFromData(file.readAll()) >= 0;
}

}  // namespace

QString ArialResolvesTo()
{
    return QFontInfo(ArialFont(8.25)).family();
}

QString UseArialMetrics()
{
    if (IsArialMetrics(ArialResolvesTo())) {
        return ArialResolvesTo();
    }
    if (AddCarriedFont(QStringLiteral("LiberationSans-Regular.ttf")) &&
        AddCarriedFont(QStringLiteral("LiberationSans-Bold.ttf"))) {
        QFont::insertSubstitution(QStringLiteral("Arial"), QStringLiteral("Liberation Sans"));
    }
    return ArialResolvesTo();
}
