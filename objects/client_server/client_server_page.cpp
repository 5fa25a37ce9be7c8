#include "client_server/client_server_page.h"

#include "accessible_names.h"
#include "failure_path.h"
#include "header/frm_header.h"
#include "page_support.h"
#include "ui_client_server_page.h"

#include <QSignalBlocker>

namespace morvain
{

ClientServerPage::ClientServerPage(PageContext ctx, ClientServerModel &model, QWidget *parent)
    : KindPage(ctx, model, parent)
{
    ui->setupUi(this);
    nameValueBoxes(this);
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
        clearQuietly(ui->comUser_ID);
        GetClientServerInfo();
        Display_ClientServer_Info();
        markQueried(ui->cmdCall_ClientServer, ui->cmdShow_headerCS);
    });
}

void ClientServerPage::GetClientServerInfo()
{
    m_model.query(m_ctx.cycle); // a fresh table first
}

void ClientServerPage::Store_ClientServer_info()
{
    m_model.store();
}

void ClientServerPage::Display_ClientServer_Info()
{
    // A broker without clients or servers is an ordinary state: nothing to show.
    if (!listKeys(ui->comUser_ID, m_model.distinctKeys())) {
        ui->comUser_ID->clearEditText();
        clearUserBoxes();
        return;
    }
    comUser_ID_Click();
}

void ClientServerPage::comUser_ID_Click()
{
    const int z = m_model.find(ui->comUser_ID->currentText());
    if (z > 0)
        Disp_ClientServer_Info(z);
}

void ClientServerPage::Disp_ClientServer_Info(int z)
{
    const QList<FieldValue> v = m_model.values(z);
    showValues(v);
    emit objectShown(z);
}

FieldBoxes ClientServerPage::boxes() const
{
    return {{ui->txtp_user_id, "p_user_id"},
            {ui->txtp_user_id_char, "p_user_id_char"},
            {ui->txttoken, "token"},
            {ui->txtchar_set, "char_set"},
            {ui->txtendian, "endian"},
            {ui->txtstatus, "status"},
            {ui->txtwait_conv_type, "wait_conv_type"},
            {ui->txtwait_server_class, "wait_server_class"},
            {ui->txtwait_server_name, "wait_server_name"},
            {ui->txtwait_service, "wait_service"},
            {ui->txtconv_act, "conv_act"},
            {ui->txtCSservice_act, "service_act"},
            {ui->txtlast_active, "last_active"},
            {ui->txtnonact, "nonact"},
            {ui->txtwait_new, "wait_new"},
            {ui->txtnum_wait_new, "num_wait_new"},
            {ui->txtwait_old, "wait_old"},
            {ui->txtnum_wait_old, "num_wait_old"},
            {ui->txtsum_conv, "sum_conv"}};
}

void ClientServerPage::txtchar_set_Change()
{
    decode(ui->txtchar_set, charSetWord);
}

void ClientServerPage::txtendian_Change()
{
    decode(ui->txtendian, endianWord);
}

void ClientServerPage::txtstatus_Change()
{
    decode(ui->txtstatus, userStatusWord);
}

void ClientServerPage::cmdShow_headerCS_Click()
{
    Display_ClientServer_Header_Info();
    m_ctx.header.headerDialog().present();
}

void ClientServerPage::Display_ClientServer_Header_Info()
{
    m_ctx.header.headerDialog().fill(m_model.header());
}

void ClientServerPage::clearUserBoxes()
{
    clearBoxes(boxes());
}

} // namespace morvain
