#include "conversation/conversation_page.h"

#include "accessible_names.h"
#include "failure_path.h"
#include "header/frm_header.h"
#include "page_support.h"
#include "ui_conversation_page.h"

#include <QSignalBlocker>

namespace morvain
{

ConversationPage::ConversationPage(PageContext ctx, ConversationModel &model, QWidget *parent)
    : KindPage(ctx, model, parent)
{
    ui->setupUi(this);
    nameValueBoxes(this);
    // The program selects with signals quiet and runs the display itself; `activated`
    // brings in the user's picks, so each selection shows its conversation once.
    connectUserPicks(ui->comConv_id, this, [this] { comConv_id_Click(); });
    connect(ui->txtConv_type, &QLineEdit::textChanged, this,
            &ConversationPage::txtConv_type_Change);
    connect(ui->cmdCall_Conversation, &QPushButton::clicked, this,
            &ConversationPage::cmdCall_Conversation_Click);
    connect(ui->cmdShow_headerCO, &QPushButton::clicked, this,
            &ConversationPage::cmdShow_headerCO_Click);
}

ConversationPage::~ConversationPage() = default;

void ConversationPage::cmdCall_Conversation_Click()
{
    underFailurePath([this] {
        clearQuietly(ui->comConv_id);
        // The boxes keep the previous conversation until the new first one is shown.
        GetConversationInfo();
        Display_Conversation_Info();
        markQueried(ui->cmdCall_Conversation, ui->cmdShow_headerCO);
    });
}

void ConversationPage::GetConversationInfo()
{
    m_model.query(m_ctx.cycle); // a fresh table first
}

void ConversationPage::Store_Conversation_info()
{
    m_model.store();
}

void ConversationPage::Display_Conversation_Info()
{
    // The closing reply may repeat the last conversation: each ID is listed once.
    // A broker without conversations is an ordinary state: nothing to show, no failure.
    // The "Service of Conversation" boxes keep what their last writer (the service query,
    // which runs before this one at start) put there.
    if (!listKeys(ui->comConv_id, m_model.distinctKeys())) {
        ui->comConv_id->clearEditText();
        clearConversationBoxes();
        return;
    }
    comConv_id_Click();
}

void ConversationPage::comConv_id_Click()
{
    const int z = m_model.find(ui->comConv_id->currentText());
    if (z > 0)
        Disp_Conversation_Info(z);
}

void ConversationPage::Disp_Conversation_Info(int z)
{
    const QList<FieldValue> v = m_model.values(z);
    showValues(v);
    showService(textOf(v, "conv_server_class"), textOf(v, "conv_server_name"),
                textOf(v, "conv_service"));
    showText(ui->txtConv_time_out, textOf(v, "conv_time_out"));
    showText(ui->txtLast_active_conv, textOf(v, "last_active_conv"));
    showText(ui->txtConv_type, textOf(v, "conv_type"));
    emit objectShown(z);
}

FieldBoxes ConversationPage::boxes() const
{
    return {{ui->txtServer_user_id, "server_user_id"},
            {ui->txtServer_P_user, "server_p_user_id"},
            {ui->txtS_P_User_id_C, "server_p_user_id_char"},
            {ui->txtServer_token, "server_token"},
            {ui->txtClient_user_id, "client_user_id"},
            {ui->txtClient_P_User_id, "client_p_user_id"},
            {ui->txtC_P_user_id_c, "client_p_user_id_char"},
            {ui->txtClient_token, "client_token"}};
}

// The "Service of Conversation" boxes are left out: the service tab writes them too.
QHash<QString, QLineEdit *> ConversationPage::fieldBoxes() const
{
    QHash<QString, QLineEdit *> byField = boxesByField(boxes());
    byField.insert(QStringLiteral("conv_time_out"), ui->txtConv_time_out);
    byField.insert(QStringLiteral("last_active_conv"), ui->txtLast_active_conv);
    byField.insert(QStringLiteral("conv_type"), ui->txtConv_type);
    return byField;
}

// Runs on every change of the text, typed ones too; the replacement runs it once more,
// and a word never matches a code.
void ConversationPage::txtConv_type_Change()
{
    decode(ui->txtConv_type, conversationTypeWord);
}

void ConversationPage::cmdShow_headerCO_Click()
{
    Display_Conversation_Header_Info();
    m_ctx.header.headerDialog().present();
}

void ConversationPage::Display_Conversation_Header_Info()
{
    m_ctx.header.headerDialog().fill(m_model.header());
}

void ConversationPage::showService(const QString &serverClass, const QString &serverName,
                                   const QString &service)
{
    showText(ui->txtServer_class, serverClass);
    showText(ui->txtServer_name, serverName);
    showText(ui->txtService, service);
}

void ConversationPage::clearConversationBoxes()
{
    for (QLineEdit *box :
         {ui->txtServer_user_id, ui->txtServer_P_user, ui->txtS_P_User_id_C, ui->txtServer_token,
          ui->txtClient_user_id, ui->txtClient_P_User_id, ui->txtC_P_user_id_c, ui->txtClient_token,
          ui->txtConv_time_out, ui->txtLast_active_conv, ui->txtConv_type})
        box->clear();
}

} // namespace morvain
