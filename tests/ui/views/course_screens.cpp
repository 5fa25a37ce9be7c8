// Screenshots of the course over time, taken on a real X display (Xvfb will do) against a
// live broker with traffic, from a folder whose "Broker.cfg" names it and with a rules
// file in $XDG_CONFIG_HOME/morvain/thresholds.json:
//   morvain_course_screens <folder> <prefix>
// writes <prefix>table.png (the services table with rates, a trend line and a breached
// row), <prefix>trend.png (the trend window with two series) and <prefix>breach.png (the
// Service tab with a breached box, the tab's dot and the status bar's count), then
// <prefix>trend-gap.png (the same lines after a pause without queries). Run it a
// second time under a dark palette for the dark set.

#include "main_window/frm_main.h"
#include "screen_capture.h"
#include "service/service_page.h"
#include "tarnvel_binding.h"
#include "trend/trend_window.h"
#include "views/object_table_model.h"
#include "views/operator_views.h"
#include "views/table_window.h"

#include <QApplication>
#include <QDir>
#include <QHeaderView>
#include <QScrollBar>
#include <QTabWidget>
#include <QTableView>
#include <QTest>

#include <cstdio>

using namespace morvain;

namespace
{

bool shoot(QWidget *w, const QString &file)
{
    QTest::qWait(500);
    return test::captureScreen(w->frameGeometry(), file);
}

int columnOf(const ObjectModel &model, const QString &field)
{
    const QList<FieldInfo> columns = model.columns();
    for (int i = 0; i < columns.size(); ++i)
        if (columns[i].name == field)
            return i;
    return -1;
}

QString keyWith(const ObjectModel &model, const QString &part)
{
    for (int z = 1; z <= model.shownCount(); ++z)
        if (model.key(z).contains(part))
            return model.key(z);
    return {};
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    if (!test::argumentCountIs(argc, 2, "morvain_course_screens <folder> <prefix>"))
        return 2;
    const QDir out(QDir(QString::fromLocal8Bit(argv[1])).absolutePath());
    const QString prefix = QString::fromLocal8Bit(argv[2]);

    TarnvelBinding broker(QCoreApplication::applicationDirPath());
    FrmMain w(broker);
    w.Form_Load();
    w.move(0, 0);
    w.show();
    w.findChild<QTabWidget *>(QStringLiteral("SSTab1"))->setCurrentIndex(2);
    // Queries a little more than the broker's statistics interval (5 s) apart: rates, and
    // readings for the trend lines.
    constexpr int apart = 5500;
    for (int i = 0; i < 7; ++i) {
        QTest::qWait(apart);
        w.servicePage().cmdCall_Service_Click();
    }
    const ObjectModel &services = *w.models()[2];
    const int pending = columnOf(services, QStringLiteral("num_pend"));
    const int requests = columnOf(services, QStringLiteral("req_sum"));
    const QString backlog = keyWith(services, QStringLiteral("report-server"));
    if (pending < 0 || requests < 0 || backlog.isEmpty())
        return 1;

    bool ok = shoot(&w, out.filePath(prefix + QStringLiteral("breach.png")));

    TableWindow *table = w.views().openTable(2);
    table->move(0, 0);
    table->resize(1200, 330);
    table->showTrend(requests, true);
    QTableView *view = table->view();
    view->sortByColumn(0, Qt::AscendingOrder);
    view->resizeColumnsToContents();
    QTest::qWait(100);
    view->horizontalScrollBar()->setValue(view->horizontalScrollBar()->maximum());
    ok = shoot(table, out.filePath(prefix + QStringLiteral("table.png"))) && ok;
    table->close();

    w.views().plotOverTime(2, backlog, pending);
    TrendWindow *trend = w.views().plotOverTime(2, backlog, requests);
    trend->move(0, 0);
    trend->resize(900, 520);
    for (int i = 0; i < 2; ++i) { // more points while the window is up
        QTest::qWait(apart);
        w.servicePage().cmdCall_Service_Click();
    }
    ok = shoot(trend, out.filePath(prefix + QStringLiteral("trend.png"))) && ok;
    // Three intervals without a query, then two more: the lines break off over the pause.
    QTest::qWait(3 * apart);
    for (int i = 0; i < 2; ++i) {
        QTest::qWait(apart);
        w.servicePage().cmdCall_Service_Click();
    }
    ok = shoot(trend, out.filePath(prefix + QStringLiteral("trend-gap.png"))) && ok;
    return ok ? 0 : 1;
}
