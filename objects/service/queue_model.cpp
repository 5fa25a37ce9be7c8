#include "service/queue_model.h"

#include "field_values.h"
#include "text_support.h"

#include <QHash>

#include <algorithm>
#include <limits>

namespace morvain
{

namespace
{

QByteArrayView textOf(std::span<const std::uint8_t> bytes, std::string_view name)
{
    const wire::Field &f = wire::find(layout::serviceObject, name);
    return trimBlanks(
        QByteArrayView(reinterpret_cast<const char *>(bytes.data()) + f.offset, f.width));
}

// A queue's vhost and name, as views into its row.
struct Queue {
    QByteArrayView vhost, name;
    bool operator==(const Queue &) const = default;
};

Queue queueOf(std::span<const std::uint8_t> bytes)
{
    return {textOf(bytes, "server_class"), textOf(bytes, "service")};
}

size_t qHash(const Queue &q, size_t seed = 0)
{
    return qHashMulti(seed, q.vhost, q.name);
}

} // namespace

QueueModel::QueueModel(ServiceModel &services, QObject *parent)
    : ObjectModel(parent), m_services(services)
{
    connect(&services, &ObjectModel::aboutToQuery, this, [this] {
        if (m_following)
            emit aboutToQuery();
    });
    connect(&services, &ObjectModel::queried, this, [this] {
        if (!m_following)
            return;
        follow();
        emit queried();
    });
    follow();
}

void QueueModel::setFollowing(bool on)
{
    if (on == m_following)
        return;
    m_following = on;
    follow();
}

void QueueModel::follow()
{
    m_records.clear();
    m_rows.clear();
    const int rows = m_following ? m_services.shownCount() : 0;
    QHash<Queue, int> at; // queue -> index into m_records; views into the service rows
    at.reserve(rows);
    for (int z = 1; z <= rows; ++z) {
        const ServiceReply &row = m_services.table().slot(z);
        const Queue queue = queueOf(row.span());
        const auto found = at.constFind(queue);
        if (found == at.cend()) {
            at.insert(queue, int(m_records.size()));
            m_records.push_back(row);
            m_rows.push_back(1);
            continue;
        }
        ServiceReply &first = m_records[std::size_t(*found)];
        const std::int64_t sum =
            std::int64_t(first.int32<"server_act">()) + row.int32<"server_act">();
        first.setInt32<"server_act">(
            std::int32_t(std::min<std::int64_t>(sum, std::numeric_limits<std::int32_t>::max())));
        ++m_rows[std::size_t(*found)];
    }
    const int queues = int(m_records.size());
    if (m_following && m_services.endsWithClosingReply())
        m_records.push_back(m_services.table().slot(m_services.objectCount()));
    m_header = {};
    if (!m_following)
        return;
    m_header = m_services.header();
    const std::int64_t unsent = std::max(0, m_services.totalCount() - rows);
    m_header.total_num_objects = std::int32_t(
        std::min<std::int64_t>(queues + unsent, std::numeric_limits<std::int32_t>::max()));
    m_header.current_num_objects = queues;
}

QList<FieldInfo> QueueModel::columns() const
{
    return columnsOf(layout::queueObject, m_services.fieldRules());
}

RecordView QueueModel::record(int z) const
{
    if (z < 1 || z > objectCount())
        return {};
    return {m_records[std::size_t(z - 1)].span(), layout::queueObject, &m_services.fieldRules()};
}

QString QueueModel::key(int z) const
{
    return z < 1 || z > objectCount() ? QString()
                                      : keyOfRecord(m_records[std::size_t(z - 1)].span());
}

QString QueueModel::keyOfRecord(std::span<const std::uint8_t> bytes) const
{
    if (bytes.size() != std::size_t(ServiceReply::size))
        return {};
    const Queue queue = queueOf(bytes);
    return QString::fromLatin1(queue.vhost) + QChar(0x1f) + QString::fromLatin1(queue.name);
}

int QueueModel::rowsOf(int z) const
{
    return z >= 1 && z <= int(m_rows.size()) ? m_rows[std::size_t(z - 1)] : 0;
}

} // namespace morvain
