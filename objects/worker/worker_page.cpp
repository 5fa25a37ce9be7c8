#include "worker_page.h"

#include "accessible_names.h"
#include "failure_path.h"
#include "header/frm_header.h"
#include "page_support.h"
#include "ui_worker_page.h"

#include <QLineEdit>
#include <QSignalBlocker>

namespace morvain
{

WorkerPage::WorkerPage(PageContext ctx, WorkerModel &model, QWidget *parent)
    : KindPage(ctx, model, parent)
{
    ui->setupUi(this);
    nameValueBoxes(this);

    // Only a pick from the list selects a worker, never typed text; the program runs the
    // display itself after it selects, so every selection shows the worker exactly once.
    connectUserPicks(ui->comWorker_id, this, [this] { comWorker_id_Click(); });
    connect(ui->txtworker_stat, &QLineEdit::textChanged, this, &WorkerPage::txtworker_stat_Change);
    connect(ui->cmdCall_worker, &QPushButton::clicked, this, &WorkerPage::cmdCall_worker_Click);
    connect(ui->cmdShow_headerw, &QPushButton::clicked, this, &WorkerPage::cmdShow_headerw_Click);
}

WorkerPage::~WorkerPage() = default;

void WorkerPage::cmdCall_worker_Click()
{
    underFailurePath([this] {
        clearQuietly(ui->comWorker_id);
        ui->txtworker_stat->setText(QString());
        ui->txtcall_sum->setText(QString());
        ui->txtidle_sum->setText(QString());
        GetWorkerInfo();
        markQueried(ui->cmdCall_worker, ui->cmdShow_headerw);
        selectFirstWorker();
    });
}

void WorkerPage::GetWorkerInfo()
{
    // A fresh table (all slots zero, worker count 0), then the query.
    m_model.query(m_ctx.cycle, [this] { listWorkerIds(); });
}

void WorkerPage::Store_Worker_info()
{
    m_model.store();
}

// Equal IDs are not merged, so list position p stays tied to slot p + 1.
void WorkerPage::listWorkerIds()
{
    const QSignalBlocker quiet(ui->comWorker_id);
    setEntries(ui->comWorker_id, m_model.workerIds());
}

void WorkerPage::selectFirstWorker()
{
    {
        const QSignalBlocker quiet(ui->comWorker_id);
        ui->comWorker_id->setCurrentIndex(0);
    }
    Display_worker_Info();
}

void WorkerPage::comWorker_id_Click()
{
    Display_worker_Info();
}

void WorkerPage::Display_worker_Info()
{
    const int slot = ui->comWorker_id->currentIndex() + 1;
    // Slot 0 is never written: with no entry selected there is no worker to show.
    if (slot < 1 || slot > m_model.objectCount())
        return;
    const QList<FieldValue> v = m_model.values(slot);
    ui->txtworker_stat->setText(textOf(v, "worker_status"));
    ui->txtcall_sum->setText(textOf(v, "call_sum"));
    // Plain seconds, not split into hours and minutes.
    ui->txtidle_sum->setText(textOf(v, "idle_sum"));
    emit objectShown(slot);
}

FieldBoxes WorkerPage::boxes() const
{
    return {{ui->txtworker_stat, "worker_status"},
            {ui->txtcall_sum, "call_sum"},
            {ui->txtidle_sum, "idle_sum"}};
}

void WorkerPage::txtworker_stat_Change()
{
    decode(ui->txtworker_stat, workerStatusWord);
}

void WorkerPage::cmdShow_headerw_Click()
{
    Display_Worker_Header_Info();
    m_ctx.header.headerDialog().present();
}

void WorkerPage::Display_Worker_Header_Info()
{
    m_ctx.header.headerDialog().fill(m_model.header());
}

} // namespace morvain
