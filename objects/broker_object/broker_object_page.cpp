#include "broker_object_page.h"

#include "accessible_names.h"
#include "decimal.h"
#include "failure_path.h"
#include "header/frm_header.h"
#include "page_support.h"
#include "ui_broker_object_page.h"

namespace morvain
{

BrokerObjectPage::BrokerObjectPage(PageContext ctx, BrokerObjectModel &model, QWidget *parent)
    : KindPage(ctx, model, parent)
{
    ui->setupUi(this);
    nameValueBoxes(this);
    showLeadingZeros();
    connect(ui->cmdCall_Broker, &QPushButton::clicked, this,
            &BrokerObjectPage::cmdCall_Broker_Click);
    connect(ui->cmdShow_HeaderB, &QPushButton::clicked, this,
            &BrokerObjectPage::cmdShow_HeaderB_Click);
}

BrokerObjectPage::~BrokerObjectPage() = default;

void BrokerObjectPage::cmdCall_Broker_Click()
{
    underFailurePath([this] {
        GetMorvain();
        Display_Broker_Info();
        markQueried(ui->cmdCall_Broker, ui->cmdShow_HeaderB);
    });
}

void BrokerObjectPage::GetMorvain()
{
    m_model.query(m_ctx.cycle);
}

void BrokerObjectPage::Display_Broker_Info()
{
    const QList<FieldValue> v = m_model.values(1);
    ui->lblPlatform->setText(textOf(v, "platform"));

    const RunTimeSplit runTime = splitRunTime(m_model.reply().int32<"run_time">());
    ui->lblhour->setText(decimal(runTime.hours));
    ui->lblmin->setText(decimal(runTime.minutes));
    ui->lblsec->setText(decimal(runTime.seconds));
    showLeadingZeros();

    ui->lblnum_worker_act->setText(textOf(v, "num_worker_act"));
    for (const auto &[box, field] : boxes())
        box->setText(textOf(v, field));
    emit objectShown(1);
}

FieldBoxes BrokerObjectPage::boxes() const
{
    return {{ui->txtnum_long, "num_long"},       {ui->txtlong_act, "long_act"},
            {ui->txtlong_high, "long_high"},     {ui->txtnum_short, "num_short"},
            {ui->txtshort_act, "short_act"},     {ui->txtshort_high, "short_high"},
            {ui->txtlong_size, "long_size"},     {ui->txtshort_size, "short_size"},
            {ui->txtnum_service, "num_service"}, {ui->txtservice_act, "service_act"},
            {ui->txtnum_server, "num_server"},   {ui->txtserver_act, "server_act"},
            {ui->txtserver_high, "server_high"}, {ui->txtnum_client, "num_client"},
            {ui->txtclient_act, "client_act"},   {ui->txtclient_high, "client_high"},
            {ui->txtnum_conv, "num_conv"},       {ui->txtconv_high, "conv_high"},
            {ui->txttrace_level, "trace_level"}};
}

// The static "0" labels sit directly left of lblmin and lblsec with no gap. The value
// labels hold the plain number; a "0" label is shown only while its value label holds a
// single digit, so 5 minutes reads "05" on screen and 59 reads "59". Minutes and seconds
// are always 0 to 59, and the start value "00" needs no extra zero.
void BrokerObjectPage::showLeadingZeros()
{
    ui->lblzero_min->setVisible(ui->lblmin->text().size() == 1);
    ui->lblzero_sec->setVisible(ui->lblsec->text().size() == 1);
}

void BrokerObjectPage::cmdShow_HeaderB_Click()
{
    Display_Broker_Header_Info();
    m_ctx.header.headerDialog().present();
}

void BrokerObjectPage::Display_Broker_Header_Info()
{
    m_ctx.header.headerDialog().fill(m_model.header());
}

} // namespace morvain
