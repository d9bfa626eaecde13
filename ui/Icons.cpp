// The pictures from the compiled-in resources, made once and shared by every window.
#include "ui/Icons.h"

#include <QCoreApplication>

namespace {

// Owned by the application object. A window given an icon made afresh would have
// it drawn (for its frame and the task bar) into the pixmap cache anew at every
// opening; one icon for all keeps that to one set of pictures.
class Pictures final : public QObject {
public:
    explicit Pictures(QObject* application) : QObject(application) { setObjectName(Name); }

    static inline const QString Name = QStringLiteral("trackpace-pictures");
    const QIcon locomotive{QStringLiteral(":/trackpace/locomotive.xpm")};
    const QIcon stopwatch{QStringLiteral(":/trackpace/stopwatch.xpm")};
    const QPixmap picture{QStringLiteral(":/trackpace/locomotive_picture.xpm")};
};

const Pictures& Shared()
{
    QCoreApplication* application = QCoreApplication::instance();
    if (auto* made = application->findChild<QObject*>(Pictures::Name, Qt::FindDirectChildrenOnly)) {
        return *static_cast<const Pictures*>(made);
    }
    return *new Pictures(application);
}

}  // namespace

QIcon LocomotiveIcon()
{
    return Shared().locomotive;
}

QIcon StopwatchIcon()
{
    return Shared().stopwatch;
}

QPixmap LocomotivePicture()
{
    return Shared().picture;
}
