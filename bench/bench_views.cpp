// Measures what a table window costs: sorting a full table, and how much a Refresh of its
// kind grows while the window is open, against the same Refresh with it closed, in one
// run. Run offscreen: QT_QPA_PLATFORM=offscreen build/default/bin/morvain_bench_views

#include "dialogs.h"
#include "main_window/frm_main.h"
#include "service/service_page.h"
#include "silent_presenter.h"
#include "tarnvel_binding.h"
#include "views/operator_views.h"
#include "views/table_window.h"
#include "worker/worker_page.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QPointer>
#include <QTableView>
#include <QTemporaryDir>
#include <QTextStream>

#include <algorithm>
#include <functional>
#include <vector>

using namespace morvain;

namespace
{

double median(std::vector<double> times)
{
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

// Median of several runs, in milliseconds. Repaints wait for the event loop, between
// the runs, as they would between a user's clicks.
double measure(const std::function<void()> &work, int runs = 11)
{
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        QCoreApplication::processEvents();
        QElapsedTimer t;
        t.start();
        work();
        times.push_back(double(t.nsecsElapsed()) / 1e6);
    }
    return median(times);
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    bench::SilentPresenter presenter;
    dialogs::installPresenter(&presenter);
    qputenv("OSTRANE_SCENARIO_DIR", BENCH_SCENARIO_DIR);

    QTemporaryDir dir;
    QDir::setCurrent(dir.path());
    QFile cfg("Broker.cfg");
    if (!cfg.open(QIODevice::WriteOnly))
        return 1;
    cfg.write(QByteArray(32, ' ') + QByteArray("full").leftJustified(128, ' '));
    cfg.close();

    TarnvelBinding broker(QCoreApplication::applicationDirPath());
    FrmMain w(broker);
    w.Form_Load();
    w.show();
    QTextStream out(stdout);

    struct Kind {
        const char *name;
        int tab;
        int sortColumn;
        std::function<void()> refresh;
    };
    const Kind kinds[] = {
        {"workers (1000), by worker_id", 1, 0, [&] { w.workerPage().cmdCall_worker_Click(); }},
        {"services (999), by service", 2, 2, [&] { w.servicePage().cmdCall_Service_Click(); }},
    };
    for (const Kind &kind : kinds) {
        TableWindow *table = w.views().openTable(kind.tab);
        if (!table) {
            out << "no table window for tab " << kind.tab << "\n";
            return 1;
        }
        QTableView *view = table->view();
        Qt::SortOrder order = Qt::AscendingOrder;
        const double sort = measure([&] {
            order = order == Qt::AscendingOrder ? Qt::DescendingOrder : Qt::AscendingOrder;
            view->sortByColumn(kind.sortColumn, order);
        });
        const int rows = view->model()->rowCount();
        // Closed and open in turns, so that the load of the machine weighs on both alike.
        std::vector<double> closed, open;
        for (int run = 0; run < 15; ++run) {
            if (QPointer<TableWindow> shown = w.views().tableWindow(kind.tab)) {
                shown->close(); // and gone: it deletes itself
                QCoreApplication::processEvents();
            }
            closed.push_back(measure(kind.refresh, 1));
            w.views().openTable(kind.tab)->view()->sortByColumn(kind.sortColumn, order);
            open.push_back(measure(kind.refresh, 1));
        }
        const double closedMs = median(closed);
        const double openMs = median(open);
        out << kind.name << ":\n"
            << "  sort " << rows << " rows:           " << sort << " ms (" << sort / closedMs
            << " x a Refresh)\n"
            << "  Refresh, window closed:  " << closedMs << " ms\n"
            << "  Refresh, window open:    " << openMs << " ms (ratio " << openMs / closedMs
            << ")\n";
    }
    return 0;
}
