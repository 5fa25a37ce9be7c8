#include "client_server/client_server_page.h"

#include "decimal.h"
#include "failure_path.h"
#include "header/frm_header.h"
#include "page_support.h"
#include "ui_client_server_page.h"

#include <QSignalBlocker>

namespace morvain
{

ClientServerPage::ClientServerPage(PageContext ctx, QWidget *parent)
    : QWidget(parent), ui(std::make_unique<Ui::ClientServerPage>()), m_ctx(ctx)
{
    ui->setupUi(this);
    // The program selects with signals quiet and runs the display itself; `activated`
    // brings in the user's picks, so each selection shows its user once.
    connectUserPicks(ui->comUser_ID, this, [this] { comUser_ID_Click(); });
    connect(ui->txtchar_set, &QLineEdit::textChanged, this, &ClientServerPage::txtchar_set_Change);
    connect(ui->txtendian, &QLineEdit::textChanged, this, &ClientServerPage::txtendian_Change);
    connect(ui->txtstatus, &QLineEdit::textChanged, this, &ClientServerPage::txtstatus_Change);
    connect(ui->cmdCall_ClientServer, &QPushButton::clicked, this,
            &ClientServerPage::cmdCall_ClientServer_Click);
    connect(ui->cmdShow_headerCS, &QPushButton::clicked, this,
            &ClientServerPage::cmdShow_headerCS_Click);
}

ClientServerPage::~ClientServerPage() = default;

void ClientServerPage::cmdCall_ClientServer_Click()
{
    underFailurePath([this] {
        m_table.reset();
        {
            const QSignalBlocker quiet(ui->comUser_ID);
            ui->comUser_ID->clear();
            ui->comUser_ID->clearEditText();
        }
        GetClientServerInfo();
        Display_ClientServer_Info();
        ui->cmdShow_headerCS->setEnabled(true);
        ui->cmdCall_ClientServer->setText(QStringLiteral("Refresh"));
    });
}

void ClientServerPage::GetClientServerInfo()
{
    m_ctx.cycle.runList(kinds::clientServer, replyArea(m_reply),
                        [this] { Store_ClientServer_info(); });
}

void ClientServerPage::Store_ClientServer_info()
{
    m_table.store(m_reply);
}

void ClientServerPage::Display_ClientServer_Info()
{
    QStringList listed;
    for (int z = 1; z <= m_table.count(); ++z) {
        const QString id = trimBlanks(m_table.slot(z).text<"user_id">());
        if (!id.isEmpty() && !listed.contains(id))
            listed << id;
    }
    QComboBox *ids = ui->comUser_ID;
    {
        const QSignalBlocker quiet(ids);
        ids->clear();
        ids->addItems(listed);
        ids->setCurrentIndex(listed.isEmpty() ? -1 : 0);
    }
    // A broker without clients or servers is an ordinary state: nothing to show.
    if (listed.isEmpty()) {
        ids->clearEditText();
        clearUserBoxes();
        return;
    }
    comUser_ID_Click();
}

void ClientServerPage::comUser_ID_Click()
{
    const QString chosen = ui->comUser_ID->currentText();
    for (int z = 1; z <= m_table.count(); ++z) {
        if (trimBlanks(m_table.slot(z).text<"user_id">()) == chosen) {
            Disp_ClientServer_Info(z);
            return;
        }
    }
}

void ClientServerPage::Disp_ClientServer_Info(int z)
{
    const ClientServerReply &r = m_table.slot(z);
    showText(ui->txtp_user_id, r.text<"p_user_id">());
    showText(ui->txtp_user_id_char, r.text<"p_user_id_char">());
    showText(ui->txttoken, r.text<"token">());
    showText(ui->txtchar_set, decimal(r.int16<"char_set">()));
    showText(ui->txtendian, decimal(r.int16<"endian">()));
    showText(ui->txtstatus, decimal(r.int16<"status">()));
    showText(ui->txtwait_conv_type, r.text<"wait_conv_type">());
    showText(ui->txtwait_server_class, r.text<"wait_server_class">());
    showText(ui->txtwait_server_name, r.text<"wait_server_name">());
    showText(ui->txtwait_service, r.text<"wait_service">());
    showText(ui->txtconv_act, decimal(r.int32<"conv_act">()));
    showText(ui->txtCSservice_act, decimal(r.int32<"service_act">()));
    showText(ui->txtlast_active, decimal(r.int32<"last_active">()));
    showText(ui->txtnonact, decimal(r.int32<"nonact">()));
    showText(ui->txtwait_new, decimal(r.int16<"wait_new">()));
    showText(ui->txtnum_wait_new, decimal(r.int32<"num_wait_new">()));
    showText(ui->txtwait_old, decimal(r.int32<"wait_old">()));
    showText(ui->txtnum_wait_old, decimal(r.int32<"num_wait_old">()));
    showText(ui->txtsum_conv, decimal(r.int32<"sum_conv">()));
}

void ClientServerPage::txtchar_set_Change()
{
    decode(ui->txtchar_set, {{"34", "EBCDIC IBM"},
                             {"66", "EBCDIC SNI"},
                             {"1", "ASCII PC 386"},
                             {"16", "ASCII PC OS/2"},
                             {"128", "ASCII 8859-1"}});
}

void ClientServerPage::txtendian_Change()
{
    decode(ui->txtendian, {{"0", "Little endian"}, {"1", "Big endian"}});
}

void ClientServerPage::txtstatus_Change()
{
    decode(ui->txtstatus, {{"0", "Not waiting"}, {"5", "Waiting"}});
}

void ClientServerPage::cmdShow_headerCS_Click()
{
    Display_ClientServer_Header_Info();
    m_ctx.header.headerDialog().present();
}

void ClientServerPage::Display_ClientServer_Header_Info()
{
    m_ctx.header.headerDialog().fill(headerOf(m_reply));
}

void ClientServerPage::clearUserBoxes()
{
    for (QLineEdit *box :
         {ui->txtp_user_id, ui->txtp_user_id_char, ui->txttoken, ui->txtchar_set, ui->txtendian,
          ui->txtstatus, ui->txtwait_conv_type, ui->txtwait_server_class, ui->txtwait_server_name,
          ui->txtwait_service, ui->txtconv_act, ui->txtCSservice_act, ui->txtlast_active,
          ui->txtnonact, ui->txtwait_new, ui->txtnum_wait_new, ui->txtwait_old, ui->txtnum_wait_old,
          ui->txtsum_conv})
        box->clear();
}

} // namespace morvain
