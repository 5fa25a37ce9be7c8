#pragma once
// The "Conv Object" page: the conversations the broker holds, chosen by conversation ID
// from the stored replies of the last conversation query.

#include "conversation/conversation_model.h"
#include "conversation/service_of_conversation.h"
#include "kind_page.h"
#include "page_support.h"

namespace Ui
{
class ConversationPage;
}

namespace morvain
{

class ConversationPage : public KindPage<ConversationModel, Ui::ConversationPage>,
                         public ServiceOfConversation
{
    Q_OBJECT
public:
    ConversationPage(PageContext ctx, ConversationModel &model, QWidget *parent = nullptr);
    ~ConversationPage() override;

    // "Call Broker" / "Refresh": a fresh query, the IDs listed, the first one shown.
    void cmdCall_Conversation_Click();
    void GetConversationInfo();
    void Store_Conversation_info();
    // Lists each non-blank conversation ID once, in order of arrival, and shows the first.
    void Display_Conversation_Info();
    // Shows the first stored slot whose trimmed ID equals the list's text.
    void comConv_id_Click();
    void Disp_Conversation_Info(int z);
    void txtConv_type_Change();
    void cmdShow_headerCO_Click();
    void Display_Conversation_Header_Info();

    // The service page writes the "Service of Conversation" boxes when it shows a service.
    void showService(const QString &serverClass, const QString &serverName,
                     const QString &service) override;

    QHash<QString, QLineEdit *> fieldBoxes() const override;
    void callBroker() override { cmdCall_Conversation_Click(); }

private:
    FieldBoxes boxes() const override;
    void clearConversationBoxes();
};

} // namespace morvain
