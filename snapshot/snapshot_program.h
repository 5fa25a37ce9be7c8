#pragma once
// morvain-snapshot from its command line to its exit code.

#include <QStringList>

namespace morvain::snapshot
{

// Needs a QCoreApplication; runs its event loop when watching.
int runProgram(const QStringList &arguments);

} // namespace morvain::snapshot
