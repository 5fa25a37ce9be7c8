#include "conversation/conversation_page.h"

#include "decimal.h"
#include "failure_path.h"
#include "header/frm_header.h"
#include "page_support.h"
#include "ui_conversation_page.h"

#include <QSignalBlocker>

namespace morvain
{

ConversationPage::ConversationPage(PageContext ctx, QWidget *parent)
    : QWidget(parent), ui(std::make_unique<Ui::ConversationPage>()), m_ctx(ctx)
{
    ui->setupUi(this);
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
        m_table.reset();
        {
            const QSignalBlocker quiet(ui->comConv_id);
            ui->comConv_id->clear();
            ui->comConv_id->clearEditText();
        }
        // The boxes keep the previous conversation until the new first one is shown.
        GetConversationInfo();
        Display_Conversation_Info();
        ui->cmdShow_headerCO->setEnabled(true);
        ui->cmdCall_Conversation->setText(QStringLiteral("Refresh"));
    });
}

void ConversationPage::GetConversationInfo()
{
    m_ctx.cycle.runList(kinds::conversation, replyArea(m_reply),
                        [this] { Store_Conversation_info(); });
}

void ConversationPage::Store_Conversation_info()
{
    m_table.store(m_reply);
}

void ConversationPage::Display_Conversation_Info()
{
    // The closing reply may repeat the last conversation: each ID is listed once.
    QStringList listed;
    for (int z = 1; z <= m_table.count(); ++z) {
        const QString id = trimBlanks(m_table.slot(z).text<"conversation_id">());
        if (!id.isEmpty() && !listed.contains(id))
            listed << id;
    }
    QComboBox *ids = ui->comConv_id;
    {
        const QSignalBlocker quiet(ids);
        ids->clear();
        ids->addItems(listed);
        ids->setCurrentIndex(listed.isEmpty() ? -1 : 0);
    }
    // A broker without conversations is an ordinary state: nothing to show, no failure.
    if (ids->count() == 0) {
        ids->clearEditText();
        clearConversationBoxes();
        return;
    }
    comConv_id_Click();
}

void ConversationPage::comConv_id_Click()
{
    const QString chosen = ui->comConv_id->currentText();
    for (int z = 1; z <= m_table.count(); ++z) {
        if (trimBlanks(m_table.slot(z).text<"conversation_id">()) == chosen) {
            Disp_Conversation_Info(z);
            return;
        }
    }
}

void ConversationPage::Disp_Conversation_Info(int z)
{
    const ConversationReply &r = m_table.slot(z);
    showText(ui->txtServer_user_id, r.text<"server_user_id">());
    showText(ui->txtServer_P_user, r.text<"server_p_user_id">());
    showText(ui->txtS_P_User_id_C, r.text<"server_p_user_id_char">());
    showText(ui->txtServer_token, r.text<"server_token">());
    showText(ui->txtClient_user_id, r.text<"client_user_id">());
    showText(ui->txtClient_P_User_id, r.text<"client_p_user_id">());
    showText(ui->txtC_P_user_id_c, r.text<"client_p_user_id_char">());
    showText(ui->txtClient_token, r.text<"client_token">());
    showService(r.text<"conv_server_class">(), r.text<"conv_server_name">(),
                r.text<"conv_service">());
    showText(ui->txtConv_time_out, decimal(r.int32<"conv_time_out">()));
    showText(ui->txtLast_active_conv, decimal(r.int32<"last_active_conv">()));
    showText(ui->txtConv_type, decimal(r.int16<"conv_type">()));
}

// Runs on every change of the text, typed ones too; the replacement runs it once more,
// and a word never matches a code.
void ConversationPage::txtConv_type_Change()
{
    decode(ui->txtConv_type, {{"0", "Conversational"}, {"1", "Non-conversational"}});
}

void ConversationPage::cmdShow_headerCO_Click()
{
    Display_Conversation_Header_Info();
    m_ctx.header.headerDialog().present();
}

void ConversationPage::Display_Conversation_Header_Info()
{
    m_ctx.header.headerDialog().fill(headerOf(m_reply));
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
          ui->txtServer_class, ui->txtServer_name, ui->txtService, ui->txtConv_time_out,
          ui->txtLast_active_conv, ui->txtConv_type})
        box->clear();
}

} // namespace morvain
