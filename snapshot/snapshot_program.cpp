#include "snapshot_program.h"

#include "check.h"
#include "config_record.h"
#include "csv_document.h"
#include "exit_codes.h"
#include "json_document.h"
#include "metrics_server.h"
#include "options.h"
#include "output.h"
#include "prometheus_document.h"
#include "query_reading.h"
#include "snapshot_round.h"
#include "stop_signals.h"
#include "tarnvel_binding.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QTimer>

#include <cstdio>

namespace morvain::snapshot
{

namespace
{

void printErr(const QString &text)
{
    std::fprintf(stderr, "morvain-snapshot: %s\n", text.toLocal8Bit().constData());
    std::fflush(stderr);
}

// The named file must be readable; Broker.cfg in the current directory may be missing,
// which reads as the all-blank identity of a fresh file, as Morvain starts with (the file
// is not created: this program writes nothing but its output).
Identity readIdentity(const Options &o)
{
    if (o.configFile.isEmpty() && !QFileInfo::exists(configFileName))
        return identityOf(ConfigRecord{});
    return identityOf(readConfigRecord(o.configFile.isEmpty() ? configFileName : o.configFile));
}

QByteArray render(const Options &o, const SnapshotReport &report)
{
    switch (o.format) {
    case Format::Csv:
        return csv::document(*report.kinds.constFirst().model, report.kinds.constFirst().extras);
    case Format::Prometheus:
        return prometheus::document(report);
    case Format::Json:
        break;
    }
    return json::document(report);
}

// A failed or cut query said on standard error, as the document marks it. Returns whether
// every query succeeded.
bool noteReadings(const SnapshotReport &report)
{
    bool allOk = true;
    for (const KindReport &kind : report.kinds) {
        const QueryReading r = readingOf(*kind.model);
        const QString name = kind.model->kindName();
        if (!!r.failed) {
            allOk = false;
            printErr(QStringLiteral("%1: the query failed with error code %2: %3")
                         .arg(name)
                         .arg(r.errorCode)
                         .arg(kind.errorText.trimmed()));
        } else if (r.cut()) {
            printErr(QStringLiteral("%1: showing %2 of %3").arg(name).arg(r.shown).arg(r.total));
        }
    }
    return allOk;
}

// One round: the queries, the document, its writing. Returns the exit code.
int runRound(SnapshotRound &round, const Options &o)
{
    int number = 0;
    QString detail;
    try {
        const SnapshotReport report = round.run(o.kinds);
        const bool allOk = noteReadings(report);
        const QString failed = writeDocument(o.outputFile, render(o, report));
        if (!failed.isEmpty()) {
            printErr(failed);
            return ExitOther;
        }
        return allOk ? ExitOk : ExitQueryFailed;
    } catch (const QueryFailure &failure) {
        number = failure.number();
        detail = QString::fromLocal8Bit(failure.what());
    } catch (const std::exception &e) {
        number = Unexpected;
        detail = QString::fromLocal8Bit(e.what());
    }
    printErr(QStringLiteral("Error no. %1: %2.%3")
                 .arg(number)
                 .arg(QString::fromLatin1(failureMeaning(number)),
                      detail.isEmpty() ? QString() : QStringLiteral(" ") + detail));
    return exitCodeOf(number);
}

// Rounds until a stop signal; the next round is timed from the end of the last, so rounds
// never overlap. A failed round ends the run with its exit code; a failed query does not,
// since the next round may find the broker well again.
int watch(SnapshotRound &round, const Options &o)
{
    StopSignals stops;
    if (!stops.ok()) {
        printErr(QStringLiteral("Cannot catch SIGINT and SIGTERM."));
        return ExitOther;
    }
    QTimer next;
    next.setSingleShot(true);
    next.setTimerType(Qt::PreciseTimer); // a coarse timer may fire a little early
    next.setInterval(o.watchSeconds * 1000);
    QObject::connect(&stops, &StopSignals::stopRequested, qApp,
                     [] { QCoreApplication::exit(ExitOk); });
    const auto tick = [&] {
        const int code = runRound(round, o);
        if (code != ExitOk && code != ExitQueryFailed)
            QCoreApplication::exit(code);
        else
            next.start();
    };
    QObject::connect(&next, &QTimer::timeout, qApp, tick);
    QTimer::singleShot(0, qApp, tick);
    return QCoreApplication::exec();
}

} // namespace

int runProgram(const QStringList &arguments)
{
    const ParseResult parsed = parseOptions(arguments);
    // A monitoring plugin's usage error is UNKNOWN, said on standard output.
    if (parsed.exitCode == ExitUsage && arguments.contains(QStringLiteral("--check"))) {
        std::fputs(unknownLine(parsed.err).toUtf8().constData(), stdout);
        return CheckUnknown;
    }
    if (!parsed.out.isEmpty())
        std::fputs(parsed.out.toLocal8Bit().constData(), stdout);
    if (!parsed.err.isEmpty())
        std::fputs(parsed.err.toLocal8Bit().constData(), stderr);
    if (!parsed.options)
        return parsed.exitCode;
    const Options &o = *parsed.options;

    Identity identity;
    try {
        identity = readIdentity(o);
    } catch (const ConfigFileError &e) {
        if (o.check) {
            std::fputs(unknownLine(QString::fromLocal8Bit(e.what())).toUtf8().constData(), stdout);
            return CheckUnknown;
        }
        printErr(QString::fromLocal8Bit(e.what()));
        return ExitOther;
    }

    // tarnvel is taken from the program's own folder only, never the current directory.
    TarnvelBinding broker(QCoreApplication::applicationDirPath());
    // A check's output is its status line alone: some monitors read standard error too.
    SnapshotRound round(broker, o.check ? [](const QString &) {} : printErr);
    round.startUp(identity);
    if (o.check)
        return runCheck(round, o);
    if (!o.listenHost.isEmpty())
        return serveMetrics(round, broker, identity, o, printErr);
    return o.watchSeconds > 0 ? watch(round, o) : runRound(round, o);
}

} // namespace morvain::snapshot
