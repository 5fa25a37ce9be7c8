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

std::vector<ServiceModel::Names> ServiceModel::names() const
{
    std::vector<Names> out;
    out.reserve(std::size_t(objectCount()));
    for (int z = 1; z <= objectCount(); ++z) {
        const ServiceReply &r = table().slot(z);
        out.push_back({trimBlanks(r.view<"server_class">()), trimBlanks(r.view<"server_name">()),
                       trimBlanks(r.view<"service">())});
    }
    return out;
}

namespace
{

// A text from a list as the stored bytes it would equal; false when no Latin-1 text can.
bool latin1Of(const QString &text, QByteArray &out)
{
    for (const QChar c : text)
        if (c.unicode() > 0xff)
            return false;
    out = text.toLatin1();
    return true;
}

// Each distinct non-blank `part` of the names that `admit` lets through, in order of arrival.
template <class Names, class Admit>
QStringList distinctParts(const std::vector<Names> &names, QByteArrayView Names::*part, Admit admit)
{
    QSet<QByteArrayView> seen;
    seen.reserve(qsizetype(names.size()));
    QStringList out;
    for (const Names &n : names)
        if (admit(n) && !(n.*part).isEmpty() && !seen.contains(n.*part)) {
            seen.insert(n.*part);
            out << QString::fromLatin1(n.*part);
        }
    return out;
}

} // namespace

QStringList ServiceModel::serverClasses() const
{
    return distinctParts(names(), &Names::serverClass, [](const Names &) { return true; });
}

QStringList ServiceModel::serverNames(const QString &serverClass) const
{
    QByteArray wanted;
    if (!latin1Of(serverClass, wanted))
        return {};
    return distinctParts(names(), &Names::serverName,
                         [&](const Names &n) { return n.serverClass == QByteArrayView(wanted); });
}

QStringList ServiceModel::services(const QString &serverName) const
{
    QByteArray wanted;
    if (!latin1Of(serverName, wanted))
        return {};
    const std::vector<Names> all = names();
    QStringList out;
    for (std::size_t i = 0; i + 1 < all.size(); ++i)
        if (all[i].serverName == QByteArrayView(wanted))
            out << QString::fromLatin1(all[i].service);
    return out;
}

int ServiceModel::find(const QString &serverClass, const QString &serverName,
                       const QString &service) const
{
    QByteArray cls, name, svc;
    if (!latin1Of(serverClass, cls) || !latin1Of(serverName, name) || !latin1Of(service, svc))
        return 0;
    const std::vector<Names> all = names();
    for (std::size_t i = 0; i < all.size(); ++i) {
        const Names &n = all[i];
        if (n.serverClass == QByteArrayView(cls) && n.serverName == QByteArrayView(name) &&
            n.service == QByteArrayView(svc))
            return int(i) + 1;
    }
    return 0;
}

} // namespace morvain
