#include "service/service_model.h"

#include "field_values.h"
#include "text_support.h"

#include <QSet>

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

ServiceModel::ServiceModel(QObject *parent)
    : ObjectModel(parent), m_stored([](const ServiceReply &r) {
          // The three trimmed texts joined by '\x1f', in one allocation.
          const QLatin1StringView serverClass(trimBlanks(r.view<"server_class">()));
          const QLatin1StringView serverName(trimBlanks(r.view<"server_name">()));
          const QLatin1StringView service(trimBlanks(r.view<"service">()));
          QString key;
          key.reserve(serverClass.size() + serverName.size() + service.size() + 2);
          key.append(serverClass).append(QChar(0x1f)).append(serverName);
          key.append(QChar(0x1f)).append(service);
          return key;
      })
{
}

void ServiceModel::query(InfoCycle &cycle)
{
    emit aboutToQuery();
    reset();
    cycle.runList(kinds::service, m_stored.area(), [this] { store(); });
    emit queried();
}

void ServiceModel::store()
{
    m_stored.store();
    m_index.reset();
}

void ServiceModel::reset()
{
    m_stored.reset();
    m_index.reset();
}

namespace
{

// Appends `entry` to the chain of `name`, linking it from the chain's last entry, and
// returns the chain.
template <class Chains, class Chain>
const Chain &link(Chains &chains, QByteArrayView name, int entry, std::vector<int> &next)
{
    Chain &chain = chains[name];
    if (chain.last < 0)
        chain.first = entry;
    else
        next[std::size_t(chain.last)] = entry;
    chain.last = entry;
    ++chain.length;
    return chain;
}

// A text from a list as the stored bytes it would equal; false when no Latin-1 text can.
bool latin1Of(const QString &text, QByteArray &out)
{
    for (const QChar c : text)
        if (c.unicode() > 0xff)
            return false;
    out = text.toLatin1();
    return true;
}

} // namespace

const ServiceModel::Index &ServiceModel::index() const
{
    if (m_index)
        return *m_index;
    Index &ix = m_index.emplace();
    const int count = m_stored.count();
    ix.names.reserve(std::size_t(count));
    ix.nextOfClass.assign(std::size_t(count), -1);
    ix.nextOfName.assign(std::size_t(count), -1);
    ix.byClass.reserve(count);
    ix.byName.reserve(count);
    ix.classOf.reserve(std::size_t(count));
    ix.previousOfName.reserve(std::size_t(count));
    for (int i = 0; i < count; ++i) {
        const ServiceReply &r = m_stored.table().slot(i + 1);
        const Names n{trimBlanks(r.view<"server_class">()), trimBlanks(r.view<"server_name">()),
                      trimBlanks(r.view<"service">())};
        ix.names.push_back(n);
        ix.classOf.push_back(
            link<decltype(ix.byClass), Chain>(ix.byClass, n.serverClass, i, ix.nextOfClass).first);
        const int lastOfName = ix.byName.value(n.serverName).last;
        ix.previousOfName.push_back(lastOfName);
        link<decltype(ix.byName), Chain>(ix.byName, n.serverName, i, ix.nextOfName);
    }
    return ix;
}

QStringList ServiceModel::serverClasses() const
{
    const Index &ix = index();
    QStringList classes;
    classes.reserve(ix.byClass.size());
    for (int i = 0; i < int(ix.names.size()); ++i) {
        const QByteArrayView c = ix.names[std::size_t(i)].serverClass;
        if (!c.isEmpty() && ix.classOf[std::size_t(i)] == i) // its first arrival
            classes << QString::fromLatin1(c);
    }
    return classes;
}

template <class Visit>
void ServiceModel::forEachOfClass(const QString &serverClass, Visit visit) const
{
    QByteArray wanted;
    if (!latin1Of(serverClass, wanted))
        return;
    const Index &ix = index();
    for (int i = ix.byClass.value(wanted).first; i >= 0; i = ix.nextOfClass[std::size_t(i)])
        if (!visit(i, ix.names[std::size_t(i)]))
            return;
}

// A name is new to its class when no entry before it carries it (the usual case of a
// name under one class), is not when the entry just before it of that name has the same
// class, and is looked up among the names found so far otherwise.
QStringList ServiceModel::serverNames(const QString &serverClass) const
{
    const Index &ix = index();
    QList<QByteArrayView> found;
    QSet<QByteArrayView> seen; // filled the first time a look-up is needed
    QStringList names;
    QByteArray wanted;
    if (latin1Of(serverClass, wanted)) {
        const int length = ix.byClass.value(wanted).length;
        found.reserve(length);
        names.reserve(length);
    }
    forEachOfClass(serverClass, [&](int i, const Names &n) {
        if (n.serverName.isEmpty())
            return true;
        const int before = ix.previousOfName[std::size_t(i)];
        bool fresh = before < 0;
        if (!fresh && ix.classOf[std::size_t(before)] != ix.classOf[std::size_t(i)]) {
            for (qsizetype k = seen.size(); k < found.size(); ++k)
                seen.insert(found[k]);
            fresh = !seen.contains(n.serverName);
        }
        if (fresh) {
            found << n.serverName;
            names << QString::fromLatin1(n.serverName);
        }
        return true;
    });
    return names;
}

QStringList ServiceModel::services(const QString &serverName) const
{
    QByteArray wanted;
    if (!latin1Of(serverName, wanted))
        return {};
    const Index &ix = index();
    QStringList out;
    const int last = int(ix.names.size()) - 1;
    for (int i = ix.byName.value(wanted).first; i >= 0; i = ix.nextOfName[std::size_t(i)])
        if (i < last)
            out << QString::fromLatin1(ix.names[std::size_t(i)].service);
    return out;
}

int ServiceModel::find(const QString &serverClass, const QString &serverName,
                       const QString &service) const
{
    QByteArray name, svc;
    if (!latin1Of(serverName, name) || !latin1Of(service, svc))
        return 0;
    int found = 0;
    forEachOfClass(serverClass, [&](int i, const Names &n) {
        if (n.serverName == QByteArrayView(name) && n.service == QByteArrayView(svc))
            found = i + 1;
        return found == 0;
    });
    return found;
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
