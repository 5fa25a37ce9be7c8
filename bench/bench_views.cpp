// Measures what a table window costs, with the main window shown on the kind's tab and
// every piece timed until its result has been painted: opening it, sorting a full table,
// a Refresh of its kind with the window open against the same Refresh with it closed,
// and, for the services, a Refresh with the kind's history kept against the same with it
// off (the table window open in both). Run offscreen:
//   QT_QPA_PLATFORM=offscreen build/default/bin/morvain_bench_views

#include "dialogs.h"
#include "main_window/frm_main.h"
#include "measure.h"
#include "object_page.h"
#include "paint_watch.h"
#include "silent_presenter.h"
#include "tarnvel_binding.h"
#include "views/operator_views.h"
#include "views/table_window.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QPointer>
#include <QTabWidget>
#include <QTableView>
#include <QTemporaryDir>
#include <QTextStream>

#include <functional>
#include <vector>

using namespace morvain;
using namespace morvain::bench;

namespace
{

double median(std::vector<double> times)
{
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

// Two settings measured in turns, so that the load of the machine weighs on both alike:
// `prepare(false)`, then `prepare(true)`, each followed by one timed piece of work.
std::pair<double, double> inTurns(const std::function<void(bool)> &prepare,
                                  const std::function<void()> &work, int runs, const char *labelOff,
                                  const char *labelOn)
{
    std::vector<double> off, on;
    for (int run = 0; run < repetitions(runs); ++run) {
        prepare(false);
        off.push_back(medianMicros(work, 1, labelOff) / 1e3);
        prepare(true);
        on.push_back(medianMicros(work, 1, labelOn) / 1e3);
    }
    return {median(off), median(on)};
}

} // namespace

int main(int argc, char *argv[])
{
    QTemporaryDir dir;
    if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR")) // Qt's own
        qputenv("XDG_RUNTIME_DIR", dir.path().toLocal8Bit());
    QApplication app(argc, argv);
    SilentPresenter presenter;
    workIn(dir.path(), "full");

    TarnvelBinding broker(QCoreApplication::applicationDirPath());
    FrmMain w(broker);
    w.Form_Load();
    auto *tabs = w.findChild<QTabWidget *>(QStringLiteral("SSTab1"));
    if (!showAndPaint(w))
        return 2;
    PaintWatch watch;
    QTextStream out(stdout);
    std::vector<Row> rows;

    struct Kind {
        const char *name;
        int tab;
        int sortColumn;
        const char *openLabel, *sortLabel, *closedLabel, *openedLabel;
    };
    const Kind kinds[] = {{"workers (1000)", 1, 0, "open-workers", "sort-workers", "closed-workers",
                           "opened-workers"},
                          {"services (999)", 2, 2, "open-services", "sort-services",
                           "closed-services", "opened-services"}};
    for (const Kind &kind : kinds) {
        tabs->setCurrentIndex(kind.tab);
        ObjectPage *page = w.pages()[kind.tab];
        const auto table = [&] { return w.views().tableWindow(kind.tab); };
        const auto open = [&] {
            if (!table()) // shown, then painted before anything is timed
                watch.run([] {}, {w.views().openTable(kind.tab)});
            return table();
        };
        // A Refresh repaints the tab's lists; the table window repaints only what changed,
        // nothing when the records are those of the query before. Its update request is
        // processed in the same pass as the main window's.
        const auto refresh = [&] { watch.run([&] { page->callBroker(); }, {page}); };
        // Opening the window until its rows are painted, a new window each time.
        std::vector<double> openings;
        for (int run = 0; run < repetitions(5); ++run) {
            if (table()) {
                table()->close();
                QCoreApplication::processEvents();
            }
            openings.push_back(medianMicros([&] { open(); }, 1, kind.openLabel) / 1e3);
        }
        rows.push_back({QStringLiteral("open the table window, %1").arg(kind.name),
                        median(openings), QStringLiteral("ms"), 0, 0, kind.openLabel});
        QTableView *view = open()->view();
        Qt::SortOrder order = Qt::AscendingOrder;
        const double sort = medianMicros(
            [&] {
                order = order == Qt::AscendingOrder ? Qt::DescendingOrder : Qt::AscendingOrder;
                watch.run([&] { view->sortByColumn(kind.sortColumn, order); }, {view->viewport()});
            },
            11, kind.sortLabel);
        rows.push_back(
            {QStringLiteral("sort %1 rows, %2").arg(view->model()->rowCount()).arg(kind.name),
             sort / 1e3, QStringLiteral("ms"), 0, 50, kind.sortLabel});
        const auto [closed, opened] = inTurns(
            [&](bool on) {
                if (!on && table()) {
                    table()->close(); // and gone: it deletes itself
                    QCoreApplication::processEvents();
                } else if (on) { // sorted and painted before the Refresh is timed
                    QTableView *sorted = open()->view();
                    watch.run([&] { sorted->sortByColumn(kind.sortColumn, order); },
                              {sorted->viewport()});
                }
            },
            refresh, 41, kind.closedLabel, kind.openedLabel);
        rows.push_back({QStringLiteral("Refresh of %1, table open vs closed").arg(kind.name),
                        opened, QStringLiteral("ms"), closed, 1.2, kind.openedLabel,
                        kind.closedLabel});
    }

    // The services' history: kept against off, the table window open in both.
    KindHistory *history = w.views().history(2);
    tabs->setCurrentIndex(2);
    if (!w.views().tableWindow(2))
        watch.run([] {}, {w.views().openTable(2)});
    // Each setting after one untimed Refresh of its own: a history that is kept holds the
    // query before, as it always does outside this bench; switched on just now, it would
    // read every record again.
    const auto serviceRefresh = [&] {
        watch.run([&] { w.pages()[2]->callBroker(); }, {w.pages()[2]});
    };
    const auto [off, kept] = inTurns(
        [&](bool on) {
            history->setKeepCourse(on);
            serviceRefresh();
        },
        serviceRefresh, 41, "history-off", "history-kept");
    rows.push_back({QStringLiteral("Refresh of 999 services, history kept vs off"), kept,
                    QStringLiteral("ms"), off, 1.2, "history-kept", "history-off"});

    printTable(out, rows);
    out << "platform " << QGuiApplication::platformName() << ", load " << loadAverage()
        << ", paint waits cut short by their bound: " << watch.misses() << "\n";
    return 0;
}
