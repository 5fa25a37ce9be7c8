#include "artwork.h"

#include <QString>

// Q_INIT_RESOURCE names a symbol in the global namespace.
static void registerArtwork()
{
    static const bool registered = [] {
        Q_INIT_RESOURCE(morvain);
        return true;
    }();
    Q_UNUSED(registered);
}

namespace morvain::artwork
{

QPixmap strip()
{
    registerArtwork();
    return QPixmap(QStringLiteral(":/artwork/strip.png"));
}

QIcon icon(int n)
{
    registerArtwork();
    return QIcon(QStringLiteral(":/artwork/icon%1.png").arg(n, 2, 10, QLatin1Char('0')));
}

QPixmap emblem()
{
    registerArtwork();
    return QPixmap(QStringLiteral(":/artwork/emblem.png"));
}

} // namespace morvain::artwork
