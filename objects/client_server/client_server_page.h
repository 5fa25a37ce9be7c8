#pragma once
// The "Client/Server" tab: the users taking part as clients or servers, chosen by user ID
// from the stored replies of the last client/server query.

#include "client_server/client_server_model.h"
#include "kind_page.h"
#include "page_support.h"

namespace Ui
{
class ClientServerPage;
}

namespace morvain
{

class ClientServerPage : public KindPage<ClientServerModel, Ui::ClientServerPage>
{
    Q_OBJECT
public:
    ClientServerPage(PageContext ctx, ClientServerModel &model, QWidget *parent = nullptr);
    ~ClientServerPage() override;

    // "Call Broker" / "Refresh": a fresh query, the user IDs listed, the first one shown.
    void cmdCall_ClientServer_Click();
    void GetClientServerInfo();
    void Store_ClientServer_info();
    // Lists each non-blank user ID once, in order of arrival, and shows the first.
    void Display_ClientServer_Info();
    // Shows the first stored slot whose trimmed user ID equals the combo box's text.
    void comUser_ID_Click();
    void Disp_ClientServer_Info(int z);
    // Codes become words on every change of the box's text, typed text too.
    void txtchar_set_Change();
    void txtendian_Change();
    void txtstatus_Change();
    void cmdShow_headerCS_Click();
    void Display_ClientServer_Header_Info();

    void callBroker() override { cmdCall_ClientServer_Click(); }

private:
    FieldBoxes boxes() const override;
    void clearUserBoxes();
};

} // namespace morvain
