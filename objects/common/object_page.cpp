#include "object_page.h"

#include "page_support.h"

#include <QSignalBlocker>

namespace morvain
{

ObjectPage::ObjectPage(QWidget *parent) : QWidget(parent)
{
    // The key is read when the object is shown: the next query replaces the records.
    connect(this, &ObjectPage::objectShown, this,
            [this](int z) { m_shownKey = objectModel().key(z); });
}

void ObjectPage::refreshKeepingSelection()
{
    // Cleared however the query ends: a failure leaves through the failure path.
    struct Keep {
        QString &kept;
        ~Keep() { kept.clear(); }
    } keep{m_keptKey};
    m_keptKey = m_shownKey;
    callBroker();
}

bool ObjectPage::listKeys(QComboBox *ids, const QStringList &keys) const
{
    const QSignalBlocker quiet(ids);
    setEntries(ids, keys);
    ids->setCurrentIndex(keys.isEmpty() ? -1 : rowToSelect(keys, m_keptKey));
    return !keys.isEmpty();
}

} // namespace morvain
