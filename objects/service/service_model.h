#pragma once
// The services without a window: the table of the last service query, the three lists
// the tab walks down (server classes, names under a class, services under a name), and
// every field as values.
//
// A list reads the trimmed class, name and service off the stored records each time it
// is asked, at most a thousand of them; storing copies the record and nothing else.

#include "list_model.h"
#include "service/service_reply.h"

#include <QByteArrayView>
#include <QStringList>

#include <vector>

namespace morvain
{

class ServiceModel : public ListModel<ServiceReply, ServiceTable::slotCount>
{
    Q_OBJECT
public:
    explicit ServiceModel(QObject *parent = nullptr);

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
    // Every stored reply's: entry z - 1 belongs to slot z.
    std::vector<Names> names() const;
};

} // namespace morvain
