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
    : ListModel(ServiceKind, kinds::service, layout::serviceObject, rules, parent)
{
}

void ServiceModel::store()
{
    ListModel::store();
    m_index.reset();
}

void ServiceModel::reset()
{
    ListModel::reset();
    m_index.reset();
}

namespace
{

// Appends `entry` to the chain of `name`, linking it from the chain's last entry; true
// when `name` arrives first with this entry.
template <class Chains>
bool link(Chains &chains, QByteArrayView name, int entry, std::vector<int> &next)
{
    auto &chain = chains[name];
    const bool first = chain.last < 0;
    if (first)
        chain.first = entry;
    else
        next[std::size_t(chain.last)] = entry;
    chain.last = entry;
    return first;
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
    const int count = objectCount();
    ix.names.reserve(std::size_t(count));
    ix.nextOfClass.assign(std::size_t(count), -1);
    ix.nextOfName.assign(std::size_t(count), -1);
    ix.byClass.reserve(count);
    ix.byName.reserve(count);
    for (int i = 0; i < count; ++i) {
        const ServiceReply &r = table().slot(i + 1);
        const Names n{trimBlanks(r.view<"server_class">()), trimBlanks(r.view<"server_name">()),
                      trimBlanks(r.view<"service">())};
        ix.names.push_back(n);
        if (link(ix.byClass, n.serverClass, i, ix.nextOfClass) && !n.serverClass.isEmpty())
            ix.firstOfClass.push_back(i);
        link(ix.byName, n.serverName, i, ix.nextOfName);
    }
    return ix;
}

QStringList ServiceModel::serverClasses() const
{
    const Index &ix = index();
    QStringList classes;
    classes.reserve(qsizetype(ix.firstOfClass.size()));
    for (const int i : ix.firstOfClass)
        classes << QString::fromLatin1(ix.names[std::size_t(i)].serverClass);
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

QStringList ServiceModel::serverNames(const QString &serverClass) const
{
    QSet<QByteArrayView> seen;
    QStringList names;
    forEachOfClass(serverClass, [&](int, const Names &n) {
        if (!n.serverName.isEmpty() && !seen.contains(n.serverName)) {
            seen.insert(n.serverName);
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

} // namespace morvain
