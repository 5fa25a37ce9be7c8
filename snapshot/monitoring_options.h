#pragma once
// The options of the monitoring modes (--check, --thresholds, --listen, --min-interval,
// --every):
// read from the parser options.cpp set up, checked against the rest of the command line.

#include "options.h"

class QCommandLineParser;

namespace morvain::snapshot
{

// Fills `o`'s monitoring members; returns what was wrong, or an empty string.
QString monitoringOptions(const QCommandLineParser &parser, Options &o);

// A loopback address, or a name that means one.
bool isLoopback(const QString &host);

} // namespace morvain::snapshot
