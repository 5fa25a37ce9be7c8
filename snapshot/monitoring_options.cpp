#include "monitoring_options.h"

#include <QCommandLineParser>
#include <QHostAddress>

namespace morvain::snapshot
{

bool isLoopback(const QString &host)
{
    return host == QLatin1String("localhost") || QHostAddress(host).isLoopback();
}

namespace
{

// "PORT", ":PORT", "HOST:PORT" or "[V6]:PORT"; no host means 127.0.0.1.
QString readListen(const QString &value, Options &o)
{
    const qsizetype colon = value.lastIndexOf(u':');
    QString host = colon < 0 ? QString() : value.left(colon);
    if (host.startsWith(u'[') && host.endsWith(u']'))
        host = host.mid(1, host.size() - 2);
    bool ok = false;
    const int port = value.mid(colon + 1).toInt(&ok);
    if (!ok || port < 0 || port > 65535)
        return QStringLiteral("--listen takes ADDRESS:PORT with a port from 0 to 65535.");
    if (host.isEmpty())
        host = QStringLiteral("127.0.0.1");
    if (host != QLatin1String("localhost") && QHostAddress(host).isNull())
        return QStringLiteral("--listen: '%1' is not an IP address.").arg(host);
    o.listenHost = host;
    o.listenPort = port;
    return {};
}

} // namespace

QString monitoringOptions(const QCommandLineParser &parser, Options &o)
{
    const auto set = [&](const char *name) { return parser.isSet(QLatin1String(name)); };
    o.check = set("check");
    o.thresholdsFile = parser.value(QStringLiteral("thresholds"));
    if (set("thresholds") && !o.check)
        return QStringLiteral("--thresholds goes with --check.");
    if (o.check && (set("format") || set("output") || set("watch") || set("listen")))
        return QStringLiteral("--check prints a status line: no --format, --output, --watch "
                              "or --listen with it.");
    if (set("listen")) {
        if (set("watch") || set("output"))
            return QStringLiteral("--listen serves its rounds: no --watch or --output with it.");
        if (o.format != Format::Prometheus && set("format"))
            return QStringLiteral("--listen serves Prometheus text only.");
        o.format = Format::Prometheus;
        const QString wrong = readListen(parser.value(QStringLiteral("listen")), o);
        if (!wrong.isEmpty())
            return wrong;
    }
    // --min-interval and --every: whole seconds from `least` to a day, with --listen only.
    const auto seconds = [&](const char *name, int least, int &into) -> QString {
        if (!set(name))
            return {};
        bool ok = false;
        into = parser.value(QLatin1String(name)).toInt(&ok);
        if (!set("listen"))
            return QStringLiteral("--%1 goes with --listen.").arg(QLatin1String(name));
        if (!ok || into < least || into > 86400)
            return QStringLiteral("--%1 takes whole seconds from %2 to 86400.")
                .arg(QLatin1String(name))
                .arg(least);
        return {};
    };
    for (const QString &wrong :
         {seconds("min-interval", 0, o.minIntervalSeconds), seconds("every", 1, o.everySeconds)})
        if (!wrong.isEmpty())
            return wrong;
    if (set("every") && set("min-interval"))
        return QStringLiteral("--every runs the rounds itself: no --min-interval with it.");
    o.targets = set("targets");
    if (o.targets && !set("listen"))
        return QStringLiteral("--targets goes with --listen.");
    return {};
}

} // namespace morvain::snapshot
