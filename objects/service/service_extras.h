#pragma once
// The endpoints' errors, last error and average processing time of a NATS broker, which the
// service record has no field for: after each service query the stand-in writes them into a
// file of their own (docs/nats.md, "Extras beside the records"), keyed by the three names
// the records carry. This reads that file after each service query on a NATS broker. A
// missing file, one older than the query, one for another broker or one that cannot be read
// gives no extras: old values are never shown as the query's.

#include "field_legend.h"
#include "object_extras.h"

#include <QByteArray>
#include <QHash>
#include <QObject>

namespace morvain
{

class InfoCycle;
class ServiceModel;

struct EndpointExtras {
    qint64 numErrors = 0;
    QString lastError;
    qint64 averageProcessingTime = 0; // microseconds
};

// num_errors (a counter), last_error (a text), average_processing_time (a gauge).
QList<FieldInfo> serviceExtraFields();

// The folder both sides look in: $MORVAIN_EXTRAS_DIR, else $XDG_RUNTIME_DIR/morvain-extras,
// else ~/.cache/morvain/extras; and the file of broker ID `brokerId` (trimmed) in it.
QString serviceExtrasFolder();
QString serviceExtrasPath(const QString &brokerId);

struct ExtrasReading {
    QHash<QString, EndpointExtras> byKey; // ObjectModel::key of each service object
    QString refusal;                      // why there are none; empty when the file was read
};

// The extras file's bytes read for the broker ID `brokerId` (trimmed) and a query that began
// at `queriedAtMs` (milliseconds since the epoch).
ExtrasReading readServiceExtras(const QByteArray &json, const QString &brokerId,
                                qint64 queriedAtMs);
// The same from the broker's file in serviceExtrasFolder(); no file is a refusal too.
ExtrasReading readServiceExtrasFile(const QString &brokerId, qint64 queriedAtMs);

class ServiceExtras : public QObject, public ObjectExtras
{
public:
    // Follows `model`'s queries; the broker ID is the one the cycle's control block sends.
    ServiceExtras(ServiceModel &model, InfoCycle &cycle);

    // Only a NATS broker has extras: another source shows no extra fields at all.
    void setSource(BrokerSource source);

    QList<FieldInfo> fields() const override;
    QVariant value(const QString &key, int i) const override;
    const EndpointExtras *of(const QString &key) const;
    // Why the last service query has no extras (empty when it has them, or on another source).
    QString refusal() const { return m_reading.refusal; }

private:
    void read();

    InfoCycle &m_cycle;
    bool m_nats = false;
    qint64 m_queryStart = 0;
    ExtrasReading m_reading;
};

} // namespace morvain
