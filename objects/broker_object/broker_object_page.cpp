#include "broker_object_page.h"

#include "decimal.h"
#include "failure_path.h"
#include "header/frm_header.h"
#include "ui_broker_object_page.h"

#include <cmath>

namespace morvain
{

BrokerObjectPage::BrokerObjectPage(PageContext ctx, QWidget *parent)
    : QWidget(parent), ui(std::make_unique<Ui::BrokerObjectPage>()), m_ctx(ctx)
{
    ui->setupUi(this);
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
        ui->cmdShow_HeaderB->setEnabled(true);
        ui->cmdCall_Broker->setText(QStringLiteral("Refresh"));
    });
}

void BrokerObjectPage::GetMorvain()
{
    // The reply goes in holding the previous one: whatever the library leaves unwritten
    // keeps its old value.
    m_ctx.cycle.runBroker(replyArea(m_reply));
}

void BrokerObjectPage::Display_Broker_Info()
{
    const BrokerReply &r = m_reply;
    ui->lblPlatform->setText(r.text<"platform">());

    // Hours are not split into days; a negative run time goes through the same formulas,
    // which keep minutes and seconds within 0 to 59.
    const double runTime = r.int32<"run_time">();
    const double hours = std::floor(runTime / 60 / 60);
    const double minutes = std::floor(runTime / 60 - hours * 60);
    const double seconds = runTime - hours * 3600 - minutes * 60;
    ui->lblhour->setText(decimal(static_cast<long long>(hours)));
    ui->lblmin->setText(decimal(static_cast<long long>(minutes)));
    ui->lblsec->setText(decimal(static_cast<long long>(seconds)));
    showLeadingZeros();

    ui->lblnum_worker_act->setText(decimal(r.int32<"num_worker_act">()));
    ui->txtnum_long->setText(decimal(r.int32<"num_long">()));
    ui->txtlong_act->setText(decimal(r.int32<"long_act">()));
    ui->txtlong_high->setText(decimal(r.int32<"long_high">()));
    ui->txtnum_short->setText(decimal(r.int32<"num_short">()));
    ui->txtshort_act->setText(decimal(r.int32<"short_act">()));
    ui->txtshort_high->setText(decimal(r.int32<"short_high">()));
    ui->txtlong_size->setText(decimal(r.int32<"long_size">()));
    ui->txtshort_size->setText(decimal(r.int32<"short_size">()));
    ui->txtnum_service->setText(decimal(r.int32<"num_service">()));
    ui->txtservice_act->setText(decimal(r.int32<"service_act">()));
    ui->txtnum_server->setText(decimal(r.int32<"num_server">()));
    ui->txtserver_act->setText(decimal(r.int32<"server_act">()));
    ui->txtserver_high->setText(decimal(r.int32<"server_high">()));
    ui->txtnum_client->setText(decimal(r.int32<"num_client">()));
    ui->txtclient_act->setText(decimal(r.int32<"client_act">()));
    ui->txtclient_high->setText(decimal(r.int32<"client_high">()));
    ui->txtnum_conv->setText(decimal(r.int32<"num_conv">()));
    ui->txtconv_high->setText(decimal(r.int32<"conv_high">()));
    ui->txttrace_level->setText(decimal(r.int16<"trace_level">()));
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
    m_ctx.header.headerDialog().fill(headerOf(m_reply));
}

} // namespace morvain
