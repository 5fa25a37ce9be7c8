#include "object_page.h"

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

} // namespace morvain
