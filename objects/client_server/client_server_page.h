#pragma once
// The "Client/Server" tab: the users taking part as clients or servers, chosen by user ID
// from the stored replies of the last client/server query.

#include "client_server/client_server_model.h"
#include "object_page.h"
#include "page_context.h"
#include "page_support.h"

#include <QWidget>

#include <memory>

namespace Ui
{
class ClientServerPage;
}

namespace morvain
{

class ClientServerPage : public ObjectPage
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

    ClientServerModel &model() { return m_model; }
    const ClientServerTable &table() const { return m_model.table(); }
    const ClientServerReply &reply() const { return m_model.reply(); }

    // The box of each field this tab shows, for views that mark values.
    QHash<QString, QLineEdit *> fieldBoxes() const override;
    void callBroker() override { cmdCall_ClientServer_Click(); }
    ObjectModel &objectModel() override { return m_model; }

private:
    FieldBoxes boxes() const;
    void clearUserBoxes();

    std::unique_ptr<Ui::ClientServerPage> ui;
    PageContext m_ctx;
    ClientServerModel &m_model;
};

} // namespace morvain
