// Screenshots of the views for watching a broker, taken on a real X display (Xvfb will
// do) against the demo broker, whose counters move between queries:
//   morvain_view_screens <folder>
// writes tab-worker-changes.png (a Refresh with its changes tinted, one tooltip up) and
// table-services.png (the services table, sorted and filtered, after a Refresh).

#include "main_window/frm_main.h"
#include "screen_capture.h"
#include "service/service_page.h"
#include "tarnvel_binding.h"
#include "views/full_text_tooltips.h"
#include "views/operator_views.h"
#include "views/table_window.h"
#include "worker/worker_page.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QHeaderView>
#include <QLineEdit>
#include <QProcess>
#include <QScrollBar>
#include <QTabWidget>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QToolTip>

#include <cstdio>

using namespace morvain;

namespace
{

bool shoot(QRect r, const QString &file)
{
    QTest::qWait(400);
    return test::captureScreen(r, file);
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    if (!test::argumentCountIs(argc, 1, "morvain_view_screens <folder>"))
        return 2;
    const QDir out(QDir(QString::fromLocal8Bit(argv[1])).absolutePath());
    QTemporaryDir work; // a fresh "Broker.cfg": the demo broker
    QDir::setCurrent(work.path());

    TarnvelBinding broker(QCoreApplication::applicationDirPath());
    FrmMain w(broker);
    w.Form_Load();
    w.move(0, 0);
    w.show();
    QTest::qWait(1500); // the demo's idle times count seconds

    w.findChild<QTabWidget *>("SSTab1")->setCurrentIndex(1);
    w.workerPage().cmdCall_worker_Click();
    auto *calls = w.findChild<QLineEdit *>("txtcall_sum");
    QTest::qWait(200);
    // The tooltip a tinted box gives: the value before and the calls per second.
    QToolTip::showText(calls->mapToGlobal(QPoint(8, calls->height())),
                       FullTextToolTips::textAt(calls, QPoint(4, 4)), calls);
    bool ok = shoot(w.frameGeometry(), out.filePath("tab-worker-changes.png"));
    QToolTip::hideText();

    w.servicePage().cmdCall_Service_Click();
    TableWindow *table = w.views().openTable(2);
    if (!table)
        return 1;
    table->move(0, 0);
    table->resize(1000, 330);
    table->findChild<QLineEdit *>("txtFilter")->setText(QStringLiteral("^(LEDGER|WAREHOUSE)$"));
    table->findChild<QCheckBox *>("chkRegex")->setChecked(true);
    // Sorted by the request sum, which moves between queries, scrolled to where it shows.
    QTableView *view = table->view();
    int requests = 0; // found by the field name its header carries
    while (requests + 1 < view->model()->columnCount() &&
           view->model()->headerData(requests, Qt::Horizontal, ObjectTableModel::FieldNameRole) !=
               "req_sum")
        ++requests;
    view->sortByColumn(requests, Qt::DescendingOrder);
    view->resizeColumnsToContents();
    QTest::qWait(100);
    view->horizontalScrollBar()->setValue(view->horizontalScrollBar()->maximum());
    ok = shoot(table->frameGeometry(), out.filePath("table-services.png")) && ok;
    return ok ? 0 : 1;
}
