#pragma once
// The services without a window: the table of the last service query, the three lists
// the tab walks down (server classes, names under a class, services under a name), and
// every field as values.
//
// Storing a reply copies it and nothing else. The first list asked for after a query
// reads every stored reply's trimmed class, name and service in place (no copies) and
// chains the entries of each class and each name, so a pick walks only its own entries.

#include "list_model.h"
#include "service/service_reply.h"

#include <QByteArrayView>
#include <QHash>
#include <QStringList>

#include <optional>
#include <vector>

namespace morvain
{

class ServiceModel : public ListModel<ServiceReply, ServiceTable::slotCount>
{
    Q_OBJECT
public:
    explicit ServiceModel(QObject *parent = nullptr);
    void store() override;
    void reset() override;

    // Each non-blank trimmed class once, in order of first arrival.
    QStringList serverClasses() const;
    // Each non-blank trimmed name stored under `serverClass`, once, in order of arrival.
    QStringList serverNames(const QString &serverClass) const;
    // The trimmed service of every stored reply named `serverName`, equal and blank ones
    // kept, whatever its class. The last stored reply ended the query and is left out.
    QStringList services(const QString &serverName) const;
    // The first slot whose trimmed texts equal all three, or 0.
    int find(const QString &serverClass, const QString &serverName, const QString &service) const;

private:
    // Views into the stored records, blanks trimmed.
    struct Names {
        QByteArrayView serverClass, serverName, service;
    };
    // The first and last entry of one class or name; entries link to the next of theirs.
    struct Chain {
        int first = -1, last = -1;
    };
    struct Index {
        std::vector<Names> names;      // entry z - 1 belongs to slot z
        std::vector<int> firstOfClass; // the entries where a class first arrives
        std::vector<int> nextOfClass, nextOfName;
        QHash<QByteArrayView, Chain> byClass, byName;
    };
    const Index &index() const;
    template <class Visit> void forEachOfClass(const QString &serverClass, Visit visit) const;

    mutable std::optional<Index> m_index; // built on first use after each store
};

} // namespace morvain
