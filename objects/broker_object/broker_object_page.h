#pragma once
// The "Broker Object" tab: the broker's own state, from one reply shown at once. There is
// no table and no selection list; every press of the query button overwrites everything.

#include "broker_object/broker_object_model.h"
#include "object_page.h"
#include "page_context.h"
#include "page_support.h"

#include <QWidget>

#include <memory>

namespace Ui
{
class BrokerObjectPage;
}

namespace morvain
{

class BrokerObjectPage : public ObjectPage
{
    Q_OBJECT
public:
    BrokerObjectPage(PageContext ctx, BrokerObjectModel &model, QWidget *parent = nullptr);
    ~BrokerObjectPage() override;

    // "Call Broker" / "Refresh": the query, then the display; a failure ends the program.
    void cmdCall_Broker_Click();
    // Writes every value control of the tab from the reply.
    void Display_Broker_Info();
    void cmdShow_HeaderB_Click();
    // Fills the header dialog's eight numbers from the reply; does not show it.
    void Display_Broker_Header_Info();

    BrokerObjectModel &model() { return m_model; }
    const BrokerReply &reply() const { return m_model.reply(); }

    // The box of each field this tab shows, for views that mark values.
    QHash<QString, QLineEdit *> fieldBoxes() const override;
    void callBroker() override { cmdCall_Broker_Click(); }
    ObjectModel &objectModel() override { return m_model; }

private:
    FieldBoxes boxes() const;
    void GetMorvain();
    void showLeadingZeros();

    std::unique_ptr<Ui::BrokerObjectPage> ui;
    PageContext m_ctx;
    BrokerObjectModel &m_model;
};

} // namespace morvain
