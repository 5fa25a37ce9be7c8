#include "broker_list.h"

#include "whole_file.h"

#include <QDir>
#include <QJsonDocument>
#include <QJsonObject>

namespace morvain
{

QByteArray withoutComments(const QByteArray &text)
{
    QByteArray out;
    out.reserve(text.size());
    bool inString = false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char c = text[i];
        const char next = i + 1 < text.size() ? text[i + 1] : '\0';
        if (inString) {
            out += c;
            if (c == '\\' && i + 1 < text.size())
                out += text[++i];
            else if (c == '"')
                inString = false;
        } else if (c == '/' && next == '/') {
            while (i < text.size() && text[i] != '\n')
                ++i;
            out += '\n';
        } else if (c == '/' && next == '*') {
            const qsizetype end = text.indexOf("*/", i + 2);
            i = end < 0 ? text.size() : end + 1;
            out += ' ';
        } else {
            inString = c == '"';
            out += c;
        }
    }
    return out;
}

QString brokerListFile()
{
    if (const QString set = qEnvironmentVariable("OSTRANE_BROKERS"); !set.isEmpty())
        return set;
    const QString config = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (QDir::isAbsolutePath(config))
        return config + QStringLiteral("/morvain/brokers.json");
    return QDir::homePath() + QStringLiteral("/.config/morvain/brokers.json");
}

QString namedBrokerType(const QString &listFile, const QString &name)
{
    if (name.trimmed().isEmpty())
        return {};
    const SmallFile list = readSmallFile(listFile, 1024 * 1024);
    if (!list.error.isEmpty())
        return {};
    const QJsonObject entry =
        QJsonDocument::fromJson(withoutComments(list.bytes)).object().value(name).toObject();
    const QString type = entry.value(QStringLiteral("type")).toString().toLower();
    if (!type.isEmpty())
        return type;
    const QString url = entry.value(QStringLiteral("url")).toString().trimmed().toLower();
    if (url.startsWith(QLatin1String("http://")) || url.startsWith(QLatin1String("https://")))
        return QStringLiteral("rabbitmq");
    if (url.startsWith(QLatin1String("nats://")) || url.startsWith(QLatin1String("tls://")))
        return QStringLiteral("nats");
    return {};
}

} // namespace morvain
