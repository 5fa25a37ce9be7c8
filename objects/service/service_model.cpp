#include "service/service_model.h"

#include "field_values.h"
#include "text_support.h"

namespace morvain
{

namespace
{

FieldKind kindOf(std::string_view name)
{
    return name == "req_sum" ? FieldKind::Counter : FieldKind::Gauge;
}

QString decodedOf(std::string_view, std::int64_t)
{
    return {};
}

constexpr FieldRules rules{kindOf, decodedOf};

} // namespace

void ServiceModel::query(InfoCycle &cycle)
{
    reset();
    cycle.runList(kinds::service, m_stored.area(), [this] { store(); });
    emit queried();
}

void ServiceModel::store()
{
    const Names n{trimBlanks(reply().text<"server_class">()),
                  trimBlanks(reply().text<"server_name">()), trimBlanks(reply().text<"service">())};
    m_stored.store(n.serverClass + QChar(0x1f) + n.serverName + QChar(0x1f) + n.service);
    m_byClass[n.serverClass].append(m_trimmed.size());
    m_byName[n.serverName].append(m_trimmed.size());
    m_trimmed.append(n);
}

void ServiceModel::reset()
{
    m_stored.reset();
    m_trimmed.clear();
    m_byClass.clear();
    m_byName.clear();
}

QStringList ServiceModel::serverClasses() const
{
    FirstArrivals classes;
    for (const Names &n : m_trimmed)
        classes.add(n.serverClass);
    return classes.list();
}

QStringList ServiceModel::serverNames(const QString &serverClass) const
{
    FirstArrivals names;
    for (qsizetype i : m_byClass.value(serverClass))
        names.add(m_trimmed.at(i).serverName);
    return names.list();
}

QStringList ServiceModel::services(const QString &serverName) const
{
    QStringList out;
    for (qsizetype i : m_byName.value(serverName))
        if (i + 1 < m_trimmed.size())
            out << m_trimmed.at(i).service;
    return out;
}

int ServiceModel::find(const QString &serverClass, const QString &serverName,
                       const QString &service) const
{
    for (qsizetype i : m_byClass.value(serverClass)) {
        const Names &n = m_trimmed.at(i);
        if (n.serverName == serverName && n.service == service)
            return int(i) + 1;
    }
    return 0;
}

QList<FieldInfo> ServiceModel::columns() const
{
    return columnsOf(layout::serviceObject, rules);
}

QList<FieldValue> ServiceModel::values(int z) const
{
    return m_stored.values(z, layout::serviceObject, rules);
}

RecordView ServiceModel::record(int z) const
{
    return m_stored.record(z, layout::serviceObject, rules);
}

} // namespace morvain
