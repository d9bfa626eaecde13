// Loading of the pictures from the compiled-in resources.
#include "ui/Icons.h"

#include <QtGlobal>

// Q_INIT_RESOURCE must not stand inside a namespace.
static void EnsureResources()
{
    // The resources live in a static library, whose initialiser the linker would
    // otherwise drop.
    static const bool loaded = [] {
        Q_INIT_RESOURCE(trackpace);
        return true;
    }();
    Q_UNUSED(loaded);
}

QIcon LocomotiveIcon()
{
    EnsureResources();
    return QIcon(QStringLiteral(":/trackpace/locomotive.xpm"));
}

QIcon StopwatchIcon()
{
    EnsureResources();
    return QIcon(QStringLiteral(":/trackpace/stopwatch.xpm"));
}

QPixmap LocomotivePicture()
{
    EnsureResources();
    return QPixmap(QStringLiteral(":/trackpace/locomotive_picture.xpm"));
}
