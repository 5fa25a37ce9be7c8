#include "service/service_page.h"

#include "decimal.h"
#include "failure_path.h"
#include "header/frm_header.h"
#include "page_support.h"
#include "ui_service_page.h"

#include <QSignalBlocker>

namespace morvain
{

namespace
{

QString selectedText(const QListWidget *list)
{
    const QListWidgetItem *item = list->currentItem();
    return item ? item->text() : QString();
}

} // namespace

ServicePage::ServicePage(PageContext ctx, ServiceOfConversation &conversation, QWidget *parent)
    : QWidget(parent), ui(std::make_unique<Ui::ServicePage>()), m_ctx(ctx),
      m_conversation(conversation)
{
    ui->setupUi(this);
    // A row that becomes current is a selection, whether the user or the program made it.
    // Lists are rebuilt quietly, so each selection runs its handler exactly once.
    const auto onSelect = [this](QListWidget *list, void (ServicePage::*handler)()) {
        connect(list, &QListWidget::currentRowChanged, this, [this, handler](int row) {
            if (row >= 0)
                (this->*handler)();
        });
    };
    onSelect(ui->lstServer_class, &ServicePage::lstServer_class_Click);
    onSelect(ui->lstServer_name, &ServicePage::lstServer_name_Click);
    onSelect(ui->lstService, &ServicePage::lstService_Click);
    connect(ui->cmdCall_Service, &QPushButton::clicked, this, &ServicePage::cmdCall_Service_Click);
    connect(ui->cmdShow_headerS, &QPushButton::clicked, this, &ServicePage::cmdShow_headerS_Click);
}

ServicePage::~ServicePage() = default;

void ServicePage::cmdCall_Service_Click()
{
    underFailurePath([this] {
        m_table.reset();
        {
            const QSignalBlocker quiet(ui->lstServer_class);
            ui->lstServer_class->clear();
        }
        GetServiceInfo();
        Display_Service_Info();
        ui->cmdShow_headerS->setEnabled(true);
        ui->cmdCall_Service->setText(QStringLiteral("Refresh"));
    });
}

void ServicePage::GetServiceInfo()
{
    m_ctx.cycle.runList(kinds::service, replyArea(m_reply), [this] { Store_service_info(); });
}

void ServicePage::Store_service_info()
{
    m_table.store(m_reply);
}

// Replaces the list's entries without running its handler, then selects the first entry,
// which runs it once. An empty list selects nothing and reports false.
bool ServicePage::fillAndSelectFirst(QListWidget *list, const QStringList &entries)
{
    {
        const QSignalBlocker quiet(list);
        list->clear();
        list->addItems(entries);
    }
    if (entries.isEmpty())
        return false;
    list->setCurrentRow(0);
    return true;
}

void ServicePage::Display_Service_Info()
{
    QStringList classes;
    for (int z = 1; z <= m_table.count(); ++z) {
        const QString serverClass = trimBlanks(m_table.slot(z).text<"server_class">());
        if (!serverClass.isEmpty() && !classes.contains(serverClass))
            classes << serverClass;
    }
    // A broker without services is an ordinary state: every level below stays empty.
    if (!fillAndSelectFirst(ui->lstServer_class, classes)) {
        fillAndSelectFirst(ui->lstServer_name, {});
        fillAndSelectFirst(ui->lstService, {});
        clearServiceBoxes();
    }
}

void ServicePage::lstServer_class_Click()
{
    const QString serverClass = selectedText(ui->lstServer_class);
    QStringList names;
    for (int z = 1; z <= m_table.count(); ++z) {
        const ServiceReply &r = m_table.slot(z);
        if (trimBlanks(r.text<"server_class">()) != serverClass)
            continue;
        const QString name = trimBlanks(r.text<"server_name">());
        if (!name.isEmpty() && !names.contains(name))
            names << name;
    }
    if (!fillAndSelectFirst(ui->lstServer_name, names)) {
        fillAndSelectFirst(ui->lstService, {});
        clearServiceBoxes();
    }
}

// The last stored reply is the one that ended the query and is left out here, so a
// service it alone carries is not offered. Classes are not compared: a name registered
// under two classes offers the services of both.
void ServicePage::lstServer_name_Click()
{
    const QString name = selectedText(ui->lstServer_name);
    QStringList services;
    for (int z = 1; z <= m_table.count() - 1; ++z) {
        const ServiceReply &r = m_table.slot(z);
        if (trimBlanks(r.text<"server_name">()) == name)
            services << trimBlanks(r.text<"service">());
    }
    if (!fillAndSelectFirst(ui->lstService, services))
        clearServiceBoxes();
}

// Shows the first slot matching all three selections; without one, the boxes stay as
// they are.
void ServicePage::lstService_Click()
{
    const QString serverClass = selectedText(ui->lstServer_class);
    const QString name = selectedText(ui->lstServer_name);
    const QString service = selectedText(ui->lstService);
    for (int z = 1; z <= m_table.count(); ++z) {
        const ServiceReply &r = m_table.slot(z);
        if (trimBlanks(r.text<"server_class">()) == serverClass &&
            trimBlanks(r.text<"server_name">()) == name &&
            trimBlanks(r.text<"service">()) == service) {
            Disp_Service_Info(z);
            return;
        }
    }
}

void ServicePage::Disp_Service_Info(int z)
{
    const ServiceReply &r = m_table.slot(z);
    m_conversation.showService(r.text<"server_class">(), r.text<"server_name">(),
                               r.text<"service">());
    showText(ui->txttrans, r.text<"translation">());
    showText(ui->txtconv_nonact, decimal(r.int32<"conv_nonact">()));
    showText(ui->txtSserver_act, decimal(r.int32<"server_act">()));
    showText(ui->txtSconv_act, decimal(r.int32<"conv_act">()));
    showText(ui->txtSconv_high, decimal(r.int32<"conv_high">()));
    showText(ui->txtSlong_act, decimal(r.int32<"long_act">()));
    showText(ui->txtSlong_high, decimal(r.int32<"long_high">()));
    showText(ui->txtSshort_act, decimal(r.int32<"short_act">()));
    showText(ui->txtSshort_high, decimal(r.int32<"short_high">()));
    showText(ui->txtwait_server, decimal(r.int32<"wait_server">()));
    showText(ui->txtnum_wait_server, decimal(r.int32<"num_wait_server">()));
    showText(ui->txtnum_serv_occ, decimal(r.int32<"num_serv_occ">()));
    showText(ui->txtnum_pend, decimal(r.int32<"num_pend">()));
    showText(ui->txtpend_high, decimal(r.int32<"pend_high">()));
    showText(ui->txtreq_sum, decimal(r.int32<"req_sum">()));
}

void ServicePage::cmdShow_headerS_Click()
{
    Display_Service_Header_Info();
    m_ctx.header.headerDialog().present();
}

void ServicePage::Display_Service_Header_Info()
{
    m_ctx.header.headerDialog().fill(headerOf(m_reply));
}

// The tab's own boxes; the conversation page's service boxes belong to whatever it shows.
void ServicePage::clearServiceBoxes()
{
    for (QLineEdit *box :
         {ui->txttrans, ui->txtconv_nonact, ui->txtSserver_act, ui->txtSconv_act, ui->txtSconv_high,
          ui->txtSlong_act, ui->txtSlong_high, ui->txtSshort_act, ui->txtSshort_high,
          ui->txtwait_server, ui->txtnum_wait_server, ui->txtnum_serv_occ, ui->txtnum_pend,
          ui->txtpend_high, ui->txtreq_sum})
        box->clear();
}

} // namespace morvain
