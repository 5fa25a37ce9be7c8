// morvain-snapshot: Morvain's queries without a window, for scripts and monitoring.

#include "snapshot_program.h"

#include <QCoreApplication>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("morvain-snapshot"));
    QCoreApplication::setApplicationVersion(QStringLiteral(MORVAIN_VERSION));
    return morvain::snapshot::runProgram(QCoreApplication::arguments());
}
