#pragma once
// The "Worker Object" tab: a worker query stores every worker in WorkerTable and lists
// their IDs in comWorker_id; choosing an ID shows that worker from the table without
// calling the broker again. List position p always belongs to slot p + 1.

#include "kind_page.h"
#include "page_support.h"
#include "worker/worker_model.h"

namespace Ui
{
class WorkerPage;
}

namespace morvain
{

class WorkerPage : public KindPage<WorkerModel, Ui::WorkerPage>
{
    Q_OBJECT
public:
    WorkerPage(PageContext ctx, WorkerModel &model, QWidget *parent = nullptr);
    ~WorkerPage() override;

    // "Call Broker" / "Refresh": a fresh table, the query, then the first worker shown;
    // a failure ends the program.
    void cmdCall_worker_Click();
    // Appends the reply just received; the 1001st in one query fails the query.
    void Store_Worker_info();
    // The user picked an entry of comWorker_id.
    void comWorker_id_Click();
    // Shows the table slot of the selected entry; with nothing selected, shows nothing.
    void Display_worker_Info();
    // Turns the status codes 2, 4 and 5 into words, whoever changed the text.
    void txtworker_stat_Change();
    void cmdShow_headerw_Click();
    // Fills the header dialog's eight numbers from the last reply; does not show it.
    void Display_Worker_Header_Info();

    void callBroker() override { cmdCall_worker_Click(); }

private:
    FieldBoxes boxes() const override;
    void GetWorkerInfo();
    void listWorkerIds();
    void selectFirstWorker();
};

} // namespace morvain
