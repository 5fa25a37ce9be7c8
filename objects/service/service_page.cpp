#include "service/service_page.h"

#include "accessible_names.h"
#include "failure_path.h"
#include "header/frm_header.h"
#include "page_support.h"
#include "ui_service_page.h"

namespace morvain
{

namespace
{

QString selectedText(const TextList *list)
{
    return list->text(list->currentRow());
}

} // namespace

ServicePage::ServicePage(PageContext ctx, ServiceModel &model, ServiceOfConversation &conversation,
                         QWidget *parent)
    : KindPage(ctx, model, parent), m_conversation(conversation)
{
    ui->setupUi(this);
    nameValueBoxes(this);
    // A row that becomes current is a selection, whether the user or the program made it,
    // and so is a click on the row already current. Lists are rebuilt quietly, so each
    // selection runs its handler exactly once.
    new ListSelections(ui->lstServer_class, [this] { lstServer_class_Click(); });
    new ListSelections(ui->lstServer_name, [this] { lstServer_name_Click(); });
    new ListSelections(ui->lstService, [this] { lstService_Click(); });
    connect(ui->cmdCall_Service, &QPushButton::clicked, this, &ServicePage::cmdCall_Service_Click);
    connect(ui->cmdShow_headerS, &QPushButton::clicked, this, &ServicePage::cmdShow_headerS_Click);
}

ServicePage::~ServicePage() = default;

void ServicePage::cmdCall_Service_Click()
{
    underFailurePath([this] {
        ui->lstServer_class->clear();
        GetServiceInfo();
        Display_Service_Info();
        markQueried(ui->cmdCall_Service, ui->cmdShow_headerS);
    });
}

void ServicePage::GetServiceInfo()
{
    m_model.query(m_ctx.cycle); // a fresh table first
}

void ServicePage::Store_service_info()
{
    m_model.store();
}

// Replaces the list's entries without running its handler, then selects one, which runs
// it once: the entry of the kept service at this level (an auto-refresh round), else the
// first. An empty list selects nothing and reports false.
bool ServicePage::fillAndSelect(TextList *list, const QStringList &entries, int level)
{
    list->setEntries(entries);
    if (entries.isEmpty())
        return false;
    list->setCurrentRow(rowToSelect(entries, m_keep.value(level)));
    return true;
}

void ServicePage::Display_Service_Info()
{
    const QStringList classes = m_model.serverClasses();
    m_keep = keptKey().split(QChar(0x1f));
    // The kept service only when the lists still lead to it: else the first, at every level.
    if (m_keep.size() != 3 || !m_model.serverNames(m_keep[0]).contains(m_keep[1]) ||
        !m_model.services(m_keep[1]).contains(m_keep[2]) ||
        m_model.find(m_keep[0], m_keep[1], m_keep[2]) == 0)
        m_keep.clear();
    // A broker without services is an ordinary state: every level below stays empty.
    if (!fillAndSelect(ui->lstServer_class, classes, 0)) {
        fillAndSelect(ui->lstServer_name, {}, 1);
        fillAndSelect(ui->lstService, {}, 2);
        clearServiceBoxes();
    }
    // The user's picks afterwards start each level below from its first entry.
    m_keep.clear();
}

void ServicePage::lstServer_class_Click()
{
    const QStringList names = m_model.serverNames(selectedText(ui->lstServer_class));
    if (!fillAndSelect(ui->lstServer_name, names, 1)) {
        fillAndSelect(ui->lstService, {}, 2);
        clearServiceBoxes();
    }
}

// The last stored reply is the one that ended the query and is left out here, so a
// service it alone carries is not offered. Classes are not compared: a name registered
// under two classes offers the services of both.
void ServicePage::lstServer_name_Click()
{
    if (!fillAndSelect(ui->lstService, m_model.services(selectedText(ui->lstServer_name)), 2))
        clearServiceBoxes();
}

// Shows the first slot matching all three selections; without one, the boxes stay as
// they are.
void ServicePage::lstService_Click()
{
    const int z = m_model.find(selectedText(ui->lstServer_class), selectedText(ui->lstServer_name),
                               selectedText(ui->lstService));
    if (z > 0)
        Disp_Service_Info(z);
}

void ServicePage::Disp_Service_Info(int z)
{
    const QList<FieldValue> v = m_model.values(z);
    m_conversation.showService(textOf(v, "server_class"), textOf(v, "server_name"),
                               textOf(v, "service"));
    showValues(v);
    emit objectShown(z);
}

FieldBoxes ServicePage::boxes() const
{
    return {{ui->txttrans, "translation"},
            {ui->txtconv_nonact, "conv_nonact"},
            {ui->txtSserver_act, "server_act"},
            {ui->txtSconv_act, "conv_act"},
            {ui->txtSconv_high, "conv_high"},
            {ui->txtSlong_act, "long_act"},
            {ui->txtSlong_high, "long_high"},
            {ui->txtSshort_act, "short_act"},
            {ui->txtSshort_high, "short_high"},
            {ui->txtwait_server, "wait_server"},
            {ui->txtnum_wait_server, "num_wait_server"},
            {ui->txtnum_serv_occ, "num_serv_occ"},
            {ui->txtnum_pend, "num_pend"},
            {ui->txtpend_high, "pend_high"},
            {ui->txtreq_sum, "req_sum"}};
}

void ServicePage::cmdShow_headerS_Click()
{
    Display_Service_Header_Info();
    m_ctx.header.headerDialog().present();
}

void ServicePage::Display_Service_Header_Info()
{
    m_ctx.header.headerDialog().fill(m_model.header());
}

// The tab's own boxes; the conversation page's service boxes belong to whatever it shows.
void ServicePage::clearServiceBoxes()
{
    clearBoxes(boxes());
}

} // namespace morvain
