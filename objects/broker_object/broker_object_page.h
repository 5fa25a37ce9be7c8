#pragma once
// The "Broker Object" tab: the broker's own state, from one reply shown at once. There is
// no table and no selection list; every press of the query button overwrites everything.

#include "broker_object/broker_object_model.h"
#include "kind_page.h"
#include "page_support.h"

namespace Ui
{
class BrokerObjectPage;
}

namespace morvain
{

class BrokerObjectPage : public KindPage<BrokerObjectModel, Ui::BrokerObjectPage>
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

    void callBroker() override { cmdCall_Broker_Click(); }

private:
    FieldBoxes boxes() const override;
    void GetMorvain();
    void showLeadingZeros();
};

} // namespace morvain
