#pragma once
// The command line of morvain-snapshot.

#include <QString>
#include <QStringList>

#include <optional>

namespace morvain::snapshot
{

enum class Format { Json, Csv, Prometheus };

struct Options {
    QString configFile; // empty: "Broker.cfg" in the current directory
    QStringList kinds;  // in the order of the tabs; all five when none were named
    Format format = Format::Json;
    QString outputFile;   // empty: standard output
    int watchSeconds = 0; // 0: one round
    // --check: one round judged by threshold rules, as a monitoring plugin.
    bool check = false;
    QString thresholdsFile; // empty: ~/.config/morvain/thresholds.json
    // --listen: serve /metrics; a round per scrape.
    QString listenHost; // empty: not serving
    int listenPort = 0;
    int minIntervalSeconds = 0; // per target with --targets
    // --every: /metrics's rounds run on their own this often; a scrape gets the last.
    int everySeconds = 0;
    // --targets: also serve /probe?target=NAME for any named broker or scenario.
    bool targets = false;
};

// The kinds in the order of the tabs, as --kind names them.
const QStringList &kindNames();

struct ParseResult {
    std::optional<Options> options; // empty: nothing to run (help, version or an error)
    int exitCode = 0;
    QString out; // for standard output (help, version)
    QString err; // for standard error (what was wrong)
};

ParseResult parseOptions(const QStringList &arguments);

} // namespace morvain::snapshot
