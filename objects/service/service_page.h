#pragma once
// The "Service Object" tab: the services servers have registered, walked down by server
// class, server name and service from the stored replies of the last service query.

#include "conversation/service_of_conversation.h"
#include "kind_page.h"
#include "page_support.h"
#include "service/service_model.h"

namespace Ui
{
class ServicePage;
}

namespace morvain
{

class ServicePage : public KindPage<ServiceModel, Ui::ServicePage>
{
    Q_OBJECT
public:
    // `conversation` takes the shown service's names (the "Conv Object" tab).
    ServicePage(PageContext ctx, ServiceModel &model, ServiceOfConversation &conversation,
                QWidget *parent = nullptr);
    ~ServicePage() override;

    // "Call Broker" / "Refresh": a fresh query, the lists built, the first service shown.
    void cmdCall_Service_Click();
    void GetServiceInfo();
    void Store_service_info();
    // Lists the server classes and selects the first, which fills the lists below it.
    void Display_Service_Info();
    // Selection handlers of the three lists; each selection, the program's or the user's,
    // a click on the entry already selected included, runs its handler once.
    void lstServer_class_Click();
    void lstServer_name_Click();
    void lstService_Click();
    void Disp_Service_Info(int z);
    void cmdShow_headerS_Click();
    void Display_Service_Header_Info();

    void callBroker() override { cmdCall_Service_Click(); }

private:
    FieldBoxes boxes() const override;
    bool fillAndSelect(TextList *list, const QStringList &entries, int level);
    void clearServiceBoxes();

    ServiceOfConversation &m_conversation;
    // While the lists are built after a query: the class, name and service to select
    // again, by level; empty otherwise.
    QStringList m_keep;
};

} // namespace morvain
