#include "service/service_extras.h"

#include "info_cycle.h"
#include "service/service_model.h"
#include "text_support.h"
#include "whole_file.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace morvain
{

namespace
{

// 40 lower-case hex digits: the file names its broker so, and no login shows.
QByteArray brokerHash(const QString &brokerId)
{
    return QCryptographicHash::hash(trimIdentifier(brokerId).toLatin1(), QCryptographicHash::Sha1)
        .toHex();
}

QString absoluteEnv(const char *name)
{
    const QString v = qEnvironmentVariable(name);
    return QDir::isAbsolutePath(v) ? v : QString();
}

ExtrasReading refused(const QString &why)
{
    return {{}, why};
}

} // namespace

QList<FieldInfo> serviceExtraFields()
{
    return {{QStringLiteral("num_errors"), FieldKind::Counter},
            {QStringLiteral("last_error"), FieldKind::Text},
            {QStringLiteral("average_processing_time"), FieldKind::Gauge}};
}

QString serviceExtrasFolder()
{
    if (const QString set = qEnvironmentVariable("MORVAIN_EXTRAS_DIR"); !set.isEmpty())
        return set;
    if (const QString runtime = absoluteEnv("XDG_RUNTIME_DIR"); !runtime.isEmpty())
        return runtime + QStringLiteral("/morvain-extras");
    if (const QString home = absoluteEnv("HOME"); !home.isEmpty())
        return home + QStringLiteral("/.cache/morvain/extras");
    return {};
}

QString serviceExtrasPath(const QString &brokerId)
{
    const QString folder = serviceExtrasFolder();
    if (folder.isEmpty())
        return {};
    return folder + QStringLiteral("/nats-") + QString::fromLatin1(brokerHash(brokerId).left(16)) +
           QStringLiteral(".json");
}

ExtrasReading readServiceExtras(const QByteArray &json, const QString &brokerId, qint64 queriedAtMs)
{
    QJsonParseError error;
    const QJsonDocument doc = QJsonDocument::fromJson(json, &error);
    if (error.error != QJsonParseError::NoError || !doc.isObject())
        return refused(QStringLiteral("not a JSON object"));
    const QJsonObject top = doc.object();
    if (top.value(QLatin1String("broker")).toString().toLatin1() != brokerHash(brokerId))
        return refused(QStringLiteral("written for another broker"));
    const QJsonValue when = top.value(QLatin1String("when_ms"));
    if (!when.isDouble())
        return refused(QStringLiteral("no when_ms"));
    if (when.toInteger() < queriedAtMs)
        return refused(QStringLiteral("older than the query"));
    const QJsonValue objects = top.value(QLatin1String("objects"));
    if (!objects.isArray())
        return refused(QStringLiteral("no list of objects"));
    ExtrasReading reading;
    for (const QJsonValue &entry : objects.toArray()) {
        const QJsonObject o = entry.toObject();
        const QJsonValue names[] = {o.value(QLatin1String("server_class")),
                                    o.value(QLatin1String("server_name")),
                                    o.value(QLatin1String("service"))};
        const QJsonValue errors = o.value(QLatin1String("num_errors"));
        const QJsonValue last = o.value(QLatin1String("last_error"));
        const QJsonValue average = o.value(QLatin1String("average_processing_time"));
        if (!names[0].isString() || !names[1].isString() || !names[2].isString() ||
            !errors.isDouble() || !last.isString() || !average.isDouble())
            return refused(QStringLiteral("an object without its names and figures"));
        const QString key =
            names[0].toString() + u'\x1f' + names[1].toString() + u'\x1f' + names[2].toString();
        reading.byKey.insert(key, {errors.toInteger(), last.toString(), average.toInteger()});
    }
    return reading;
}

ExtrasReading readServiceExtrasFile(const QString &brokerId, qint64 queriedAtMs)
{
    const QString path = serviceExtrasPath(brokerId);
    if (path.isEmpty())
        return refused(QStringLiteral("no folder for the extras"));
    const SmallFile file = readSmallFile(path);
    return file.error.isEmpty() ? readServiceExtras(file.bytes, brokerId, queriedAtMs)
                                : refused(QStringLiteral("no file: ") + file.error);
}

ServiceExtras::ServiceExtras(ServiceModel &model, InfoCycle &cycle) : m_cycle(cycle)
{
    // Connected before any view of the model, so the extras are in place when they look.
    connect(&model, &ObjectModel::aboutToQuery, this,
            [this] { m_queryStart = QDateTime::currentMSecsSinceEpoch(); });
    connect(&model, &ObjectModel::queried, this, &ServiceExtras::read);
}

void ServiceExtras::setSource(BrokerSource source)
{
    m_nats = source == BrokerSource::Nats;
    if (!m_nats)
        m_reading = {};
}

void ServiceExtras::read()
{
    if (!m_nats) {
        m_reading = {};
        return;
    }
    m_reading = readServiceExtrasFile(m_cycle.controlBlock().text<"broker_id">(), m_queryStart);
}

QList<FieldInfo> ServiceExtras::fields() const
{
    return m_nats ? serviceExtraFields() : QList<FieldInfo>{};
}

const EndpointExtras *ServiceExtras::of(const QString &key) const
{
    const auto found = m_reading.byKey.constFind(key);
    return found == m_reading.byKey.cend() ? nullptr : &*found;
}

QVariant ServiceExtras::value(const QString &key, int i) const
{
    const EndpointExtras *e = m_nats ? of(key) : nullptr;
    if (!e)
        return {};
    switch (i) {
    case 0:
        return e->numErrors;
    case 1:
        return e->lastError;
    case 2:
        return e->averageProcessingTime;
    }
    return {};
}

} // namespace morvain
