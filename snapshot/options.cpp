#include "options.h"

#include "exit_codes.h"
#include "kind_registry.h"
#include "monitoring_options.h"

#include <QCommandLineParser>

namespace morvain::snapshot
{

const QStringList &kindNames()
{
    static const QStringList names = [] {
        QStringList all;
        for (const KindInfo &kind : kindRegistry)
            all << QString::fromLatin1(kind.name.data(), qsizetype(kind.name.size()));
        return all;
    }();
    return names;
}

namespace
{

ParseResult usageError(const QString &text)
{
    ParseResult r;
    r.exitCode = ExitUsage;
    r.err = text + QStringLiteral("\nTry 'morvain-snapshot --help'.\n");
    return r;
}

} // namespace

ParseResult parseOptions(const QStringList &arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Runs the broker queries of Morvain without a window and prints what they found.\n"
        "Exit codes: 0 ok, 2 usage, 3 tarnvel not loadable, 4 table overflow, 5 other,\n"
        "6 a broker query failed."));
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("Shows this help."));
    const QCommandLineOption version(QStringLiteral("version"),
                                     QStringLiteral("Shows the version."));
    const QCommandLineOption config(
        QStringLiteral("config"),
        QStringLiteral("Reads the identity from FILE instead of Broker.cfg in the current "
                       "directory."),
        QStringLiteral("FILE"));
    const QCommandLineOption kind(
        QStringLiteral("kind"),
        QStringLiteral("Queries only KIND (repeatable, or a comma list): %1.")
            .arg(kindNames().join(QStringLiteral(", "))),
        QStringLiteral("KIND"));
    const QCommandLineOption format(
        QStringLiteral("format"),
        QStringLiteral("json (default), csv (needs exactly one --kind) or prometheus."),
        QStringLiteral("FORMAT"), QStringLiteral("json"));
    const QCommandLineOption output(
        QStringLiteral("output"),
        QStringLiteral("Writes to FILE (replaced atomically) instead of standard output."),
        QStringLiteral("FILE"));
    const QCommandLineOption watch(
        QStringLiteral("watch"),
        QStringLiteral("Repeats every SECONDS, counted from the end of the last round, "
                       "until interrupted."),
        QStringLiteral("SECONDS"));
    const QCommandLineOption check(
        QStringLiteral("check"),
        QStringLiteral("Runs one round against threshold rules and exits as a monitoring "
                       "plugin: 0 OK, 1 WARNING, 2 CRITICAL, 3 UNKNOWN."));
    const QCommandLineOption thresholds(
        QStringLiteral("thresholds"),
        QStringLiteral("The rules for --check (default: ~/.config/morvain/thresholds.json)."),
        QStringLiteral("FILE"));
    const QCommandLineOption listen(
        QStringLiteral("listen"),
        QStringLiteral("Serves GET /metrics (Prometheus text, one round per scrape) on "
                       "ADDRESS:PORT; the address defaults to 127.0.0.1."),
        QStringLiteral("ADDRESS:PORT"));
    const QCommandLineOption minInterval(
        QStringLiteral("min-interval"),
        QStringLiteral("With --listen: scrapes within SECONDS of the last round get its "
                       "result."),
        QStringLiteral("SECONDS"));
    const QCommandLineOption every(
        QStringLiteral("every"),
        QStringLiteral("With --listen: runs the rounds of /metrics every SECONDS, counted from "
                       "the end of the last, and answers each scrape at once with the last."),
        QStringLiteral("SECONDS"));
    const QCommandLineOption targets(
        QStringLiteral("targets"),
        QStringLiteral("With --listen: also serves GET /probe?target=NAME, one round against "
                       "the named broker of brokers.json or the scenario NAME."));
    parser.addOptions({help, version, config, kind, format, output, watch, check, thresholds,
                       listen, minInterval, every, targets});

    if (!parser.parse(arguments))
        return usageError(parser.errorText());
    if (!parser.positionalArguments().isEmpty())
        return usageError(QStringLiteral("Unexpected argument '%1'.")
                              .arg(parser.positionalArguments().constFirst()));
    if (parser.isSet(help)) {
        ParseResult r;
        r.out = parser.helpText();
        return r;
    }
    if (parser.isSet(version)) {
        ParseResult r;
        r.out = QStringLiteral("morvain-snapshot %1\n").arg(QStringLiteral(MORVAIN_VERSION));
        return r;
    }

    Options o;
    o.configFile = parser.value(config);
    o.outputFile = parser.value(output);

    QStringList named;
    for (const QString &value : parser.values(kind)) {
        for (const QString &name : value.split(u',')) {
            const QString k = name.trimmed();
            if (!kindNames().contains(k))
                return usageError(QStringLiteral("Unknown kind '%1'; the kinds are %2.")
                                      .arg(k, kindNames().join(QStringLiteral(", "))));
            named << k;
        }
    }
    for (const QString &k : kindNames())
        if (named.isEmpty() || named.contains(k))
            o.kinds << k;

    const QString f = parser.value(format);
    if (f == QLatin1String("json"))
        o.format = Format::Json;
    else if (f == QLatin1String("csv"))
        o.format = Format::Csv;
    else if (f == QLatin1String("prometheus"))
        o.format = Format::Prometheus;
    else
        return usageError(
            QStringLiteral("Unknown format '%1'; the formats are json, csv, prometheus.").arg(f));
    if (o.format == Format::Csv && o.kinds.size() != 1)
        return usageError(QStringLiteral("--format csv needs exactly one --kind."));

    if (parser.isSet(watch)) {
        bool ok = false;
        o.watchSeconds = parser.value(watch).toInt(&ok);
        if (!ok || o.watchSeconds < 1 || o.watchSeconds > 86400)
            return usageError(QStringLiteral("--watch takes whole seconds from 1 to 86400."));
    }

    const QString monitoring = monitoringOptions(parser, o);
    if (!monitoring.isEmpty())
        return usageError(monitoring);

    ParseResult r;
    r.options = o;
    return r;
}

} // namespace morvain::snapshot
