#pragma once
// The broker object without a window: the one reply of the last broker query, its fields
// as values, and the run time split the way the tab shows it.

#include "broker_object/broker_reply.h"
#include "info_cycle.h"
#include "object_model.h"

namespace morvain
{

// Hours are not split into days; a negative run time goes through the same formulas,
// which keep minutes and seconds within 0 to 59.
struct RunTimeSplit {
    long long hours = 0;
    long long minutes = 0;
    long long seconds = 0;
};
RunTimeSplit splitRunTime(std::int32_t runTime);
// "H:MM:SS", the reading the tab gives: hours in full, minutes and seconds two digits.
QString runTimeText(std::int32_t runTime);

class BrokerObjectModel : public ObjectModel
{
    Q_OBJECT
public:
    using ObjectModel::ObjectModel;

    // The query: one call, into the reply as the previous query left it (whatever the
    // library leaves unwritten keeps its old value); then queried().
    void query(InfoCycle &cycle) override;

    const KindInfo &kind() const override { return kindRegistry[BrokerKind]; }
    QString kindName() const override { return QStringLiteral("broker"); }
    QList<FieldInfo> columns() const override;
    int objectCount() const override { return 1; }
    RecordView record(int z) const override;
    QString key(int) const override { return {}; }
    ReplyHeader header() const override { return headerOf(m_reply); }

    const BrokerReply &reply() const { return m_reply; }

private:
    BrokerReply m_reply;
};

} // namespace morvain
