// What the main window adds for watching a broker: the "&View" menu beside the fixed
// ones, the keys, and auto refresh driven by a fake timer.

#include "client_server/client_server_page.h"
#include "client_server/client_server_reply.h"
#include "conversation/conversation_page.h"
#include "conversation/conversation_reply.h"
#include "dialogs.h"
#include "fake_entry_point.h"
#include "main_window/frm_main.h"
#include "page_rig.h"
#include "recording_presenter.h"
#include "service/service_page.h"
#include "service/service_reply.h"
#include "temp_workdir.h"
#include "text_list.h"
#include "trend/trend_window.h"
#include "views/auto_refresh.h"
#include "views/full_text_tooltips.h"
#include "views/operator_views.h"
#include "views/query_bar.h"
#include "views/table_window.h"
#include "worker/worker_page.h"
#include "worker/worker_reply.h"

#include <QComboBox>
#include <QDir>
#include <QFrame>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QScrollBar>
#include <QTabWidget>
#include <QTableView>
#include <QTest>

#include <cstring>

using namespace morvain;
using namespace morvain::test;

namespace
{

// A timer the test fires by hand; it logs what it was asked to do.
class FakeTicker : public Ticker
{
public:
    QStringList *log = nullptr;
    std::function<void()> pending;
    void startOnce(int msecs, std::function<void()> fire) override
    {
        *log << QStringLiteral("timer %1").arg(msecs);
        pending = std::move(fire);
    }
    void cancel() override
    {
        *log << QStringLiteral("cancel");
        pending = nullptr;
    }
    void elapse()
    {
        auto fire = std::move(pending);
        pending = nullptr;
        if (fire)
            fire();
    }
};

// One stored object of the kind on tab `tab`: its key from `name`, `value` in a counter or
// gauge that the query after may change.
QByteArray objectOf(int tab, const QString &name, int value)
{
    switch (tab) {
    case 1: {
        WorkerReply r;
        r.setInt16<"worker_id">(std::int16_t(name.toInt()));
        r.setInt32<"call_sum">(value);
        return raw(r);
    }
    case 2: {
        ServiceReply r;
        r.setText<"server_class">("CLASS");
        r.setText<"server_name">("NAME");
        r.setText<"service">(name);
        r.setInt32<"req_sum">(value);
        return raw(r);
    }
    case 3: {
        ClientServerReply r;
        r.setText<"user_id">(name);
        r.setInt32<"sum_conv">(value);
        return raw(r);
    }
    default: {
        ConversationReply r;
        r.setText<"conversation_id">(name);
        r.setInt32<"last_active_conv">(value);
        return raw(r);
    }
    }
}

} // namespace

class TestOperatorViews : public QObject
{
    Q_OBJECT
    RecordingPresenter m_boxes;

private slots:
    void cleanup() { m_boxes.shown.clear(); }
    void viewMenu_sitsBetweenMenuAndAbout();
    void keys_ctrlNBringsATabAndF5RunsItsQuery_data();
    void keys_ctrlNBringsATabAndF5RunsItsQuery();
    void enter_pressesTheFocusedButton();
    void changes_perKindByItsKey_data();
    void changes_perKindByItsKey();
    void queues_aRabbitMqQueueOnceWithItsConsumers();
    void readings_failedAndCutQueriesSaySo_data();
    void readings_failedAndCutQueriesSaySo();
    void plotOverTime_fromABoxAndATableCell_data();
    void plotOverTime_fromABoxAndATableCell();
    void toolTips_fullTextWhereClipped_data();
    void toolTips_fullTextWhereClipped();
    void autoRefresh_timing_data();
    void autoRefresh_timing();
    void autoRefresh_holdsRoundBoxesButNotHandOrFailureBoxes();
    void autoRefresh_offAtEveryStartAndNothingSaved();
    void autoRefresh_keepsTheShownObjectARefreshByHandTheFirst_data();
    void autoRefresh_keepsTheShownObjectARefreshByHandTheFirst();
    void tables_freezeTheirKindsKeyColumns_data();
    void tables_freezeTheirKindsKeyColumns();
    void brokerSwitch_marksEveryTabAndComparesNothingAcross();
};

void TestOperatorViews::viewMenu_sitsBetweenMenuAndAbout()
{
    TempWorkdir dir;
    FakeEntryPoint fake;
    FrmMain w(fake);
    QStringList bar;
    for (QAction *a : w.menuBar()->actions())
        bar << a->text();
    QCOMPARE(bar, (QStringList{"&Menu", "&View", "A&bout"}));
    QStringList view;
    for (QAction *a : w.findChild<QMenu *>("mnuView")->actions())
        view << a->text();
    QCOMPARE(view, (QStringList{"&Tables", "&Auto refresh", "&Highlight changes", "T&rends",
                                "Thre&sholds..."}));
    QAction *highlight = w.findChild<QAction *>("mnuHighlight");
    QVERIFY(highlight->isCheckable() && highlight->isChecked());
    // No rules file (the tests' configuration folder is empty): no breach label shows.
    QVERIFY(!w.findChild<QLabel *>("lblBreaches")->isVisibleTo(&w));
}

void TestOperatorViews::keys_ctrlNBringsATabAndF5RunsItsQuery_data()
{
    QTest::addColumn<int>("tab");
    QTest::addColumn<int>("kind"); // the request's object kind of that tab's query
    QTest::newRow("Ctrl+1 broker") << 0 << 7;
    QTest::newRow("Ctrl+2 worker") << 1 << 8;
    QTest::newRow("Ctrl+3 service") << 2 << 6;
    QTest::newRow("Ctrl+4 client/server") << 3 << 1;
    QTest::newRow("Ctrl+5 conversation") << 4 << 4;
}

void TestOperatorViews::keys_ctrlNBringsATabAndF5RunsItsQuery()
{
    QFETCH(int, tab);
    QFETCH(int, kind);
    TempWorkdir dir;
    FakeEntryPoint fake;
    FrmMain w(fake);
    w.Form_Load();
    w.show();
    QVERIFY(QTest::qWaitForWindowActive(&w));
    auto *tabs = w.findChild<QTabWidget *>("SSTab1");
    tabs->setCurrentIndex(tab == 0 ? 4 : 0);
    QTest::keyClick(&w, Qt::Key(Qt::Key_1 + tab), Qt::ControlModifier);
    QCOMPARE(tabs->currentIndex(), tab);
    fake.sent.clear();
    QTest::keyClick(&w, Qt::Key_F5);
    QCOMPARE(kindsSent(fake), QList<int>{kind}); // an empty broker: one call
}

void TestOperatorViews::enter_pressesTheFocusedButton()
{
    TempWorkdir dir;
    FakeEntryPoint fake;
    FrmMain w(fake);
    w.show();
    QVERIFY(QTest::qWaitForWindowActive(&w));
    w.findChild<QTabWidget *>("SSTab1")->setCurrentIndex(1);
    auto *call = w.findChild<QPushButton *>("cmdCall_worker");
    for (Qt::Key key : {Qt::Key_Return, Qt::Key_Enter, Qt::Key_Space})
        QTest::keyClick(call, key);
    QCOMPARE(kindsSent(fake), (QList<int>{8, 8, 8}));
    QCOMPARE(call->text(), QString("Refresh"));
}

void TestOperatorViews::changes_perKindByItsKey_data()
{
    QTest::addColumn<int>("tab");
    QTest::addColumn<QString>("counted"); // the field objectOf() sets
    QTest::newRow("workers") << 1 << "call_sum";
    QTest::newRow("services") << 2 << "req_sum";
    QTest::newRow("users") << 3 << "sum_conv";
    QTest::newRow("conversations") << 4 << "last_active_conv";
}

void TestOperatorViews::changes_perKindByItsKey()
{
    QFETCH(int, tab);
    QFETCH(QString, counted);
    TempWorkdir dir;
    FakeEntryPoint fake;
    FrmMain w(fake);
    w.Form_Load();
    const auto query = [&](QList<QPair<QString, int>> objects) {
        fake.restart();
        scriptConversation(fake, int(objects.size()), [&](int i) {
            return objectOf(tab, objects[i].first, objects[i].second);
        });
        QTest::keyClick(&w, Qt::Key(Qt::Key_1 + tab), Qt::ControlModifier);
        w.views().runFrontQuery();
    };
    w.show();
    QVERIFY(QTest::qWaitForWindowActive(&w));
    query({{"1", 10}, {"2", 11}, {"3", 10}});
    TableWindow *table = w.views().openTable(tab);
    QVERIFY(table);
    QCOMPARE(fake.sent.size(), 4); // opening the table called nobody
    // 1 changed, 2 unchanged, 3 gone, 4 new; where the closing reply repeats 4, it counts once.
    query({{"1", 11}, {"2", 11}, {"4", 10}});
    QCOMPARE(table->findChild<QLabel *>("lblChanges")->text(),
             QString("Since the query before: 1 new, 1 changed, 1 gone"));
    const QAbstractItemModel *rows = table->view()->model();
    // The closing reply that the other kinds store is no row: three objects each, then 3,
    // gone, listed until the next query.
    const int stored = 3;
    QCOMPARE(rows->rowCount(), stored + 1);
    QCOMPARE(rows->headerData(2, Qt::Vertical).toString(), QString("3 new"));
    QCOMPARE(rows->headerData(3, Qt::Vertical).toString(), QString("gone"));
    QVERIFY(table->windowTitle().endsWith(QString(", %1 objects").arg(stored)));
    QCOMPARE(w.findChild<QTabWidget *>("SSTab1")->tabToolTip(tab),
             table->windowTitle().mid(table->windowTitle().indexOf(" - ") + 3));
    // The tab shows object 1, whose counter changed: that box alone is tinted.
    const QHash<QString, QLineEdit *> boxes = tab == 1   ? w.workerPage().fieldBoxes()
                                              : tab == 2 ? w.servicePage().fieldBoxes()
                                              : tab == 3 ? w.clientServerPage().fieldBoxes()
                                                         : w.conversationPage().fieldBoxes();
    for (auto box = boxes.cbegin(); box != boxes.cend(); ++box)
        QCOMPARE(w.views().tints(tab)->tinted(box.value()), box.key() == counted);
}

void TestOperatorViews::queues_aRabbitMqQueueOnceWithItsConsumers()
{
    TempWorkdir dir;
    FakeEntryPoint fake;
    FrmMain w(fake);
    w.Form_Load();
    auto *item = w.findChild<QAction *>("mnuTable_queues");
    QVERIFY(item);
    QVERIFY(!item->isVisible()); // the demo broker's services are no queues
    w.views().setSource(BrokerSource::RabbitMq);
    QVERIFY(item->isVisible());
    const auto query = [&](int invoicing) {
        fake.restart();
        const char *consumers[] = {"a", "b", "c"};
        scriptConversation(fake, 3, [&](int i) {
            ServiceReply r;
            r.setText<"server_class">("billing");
            r.setText<"server_name">(consumers[i]);
            r.setText<"service">(i < 2 ? "reports" : "invoices");
            r.setInt32<"server_act">(i < 2 ? 1 : invoicing);
            return raw(r);
        });
        w.servicePage().callBroker();
    };
    query(1);
    TableWindow *services = w.views().openTable(2);
    query(2);
    // The second consumer's row is met again as itself, not as the first one's: only the
    // invoices changed.
    QCOMPARE(services->findChild<QLabel *>("lblChanges")->text(),
             QString("Since the query before: 0 new, 1 changed, 0 gone"));
    const ObjectTableModel &rows = services->tableModel();
    for (int column = 0; column < rows.columnCount(); ++column)
        QVERIFY(!rows.data(rows.index(1, column), Qt::BackgroundRole).isValid());
    TableWindow *queues = w.views().openQueueTable();
    QVERIFY(queues);
    QCOMPARE(queues->view()->model()->rowCount(), 2);
    QCOMPARE(services->view()->model()->rowCount(), 3);
    // The tab's rows follow the queue too: both consumers of reports are one object.
    QCOMPARE(w.servicePage().model().key(1), w.servicePage().model().key(2));
}

// A reply record's header: error_code and total_num_objects at its start.
QByteArray withHeader(QByteArray reply, std::int32_t errorCode, std::int32_t total)
{
    std::memcpy(reply.data(), &errorCode, 4);
    std::memcpy(reply.data() + 4, &total, 4);
    return reply;
}

void TestOperatorViews::readings_failedAndCutQueriesSaySo_data()
{
    changes_perKindByItsKey_data(); // the same four list kinds and their counted fields
}

// A good query, a failed one, a cut one: the tab's bar, its icon, the table window and the
// tints say which; the failed one keeps the good values and marks nothing as changed.
void TestOperatorViews::readings_failedAndCutQueriesSaySo()
{
    QFETCH(int, tab);
    QFETCH(QString, counted);
    TempWorkdir dir;
    FakeEntryPoint fake;
    FrmMain w(fake);
    w.Form_Load();
    QTabWidget *tabs = w.findChild<QTabWidget *>("SSTab1");
    tabs->setCurrentIndex(tab);
    const auto query = [&](int objects, int value, std::int32_t errorCode, std::int32_t total,
                           const QByteArray &opening = {}) {
        fake.restart();
        scriptConversation(fake, objects, [&](int i) {
            return withHeader(objectOf(tab, QString::number(i + 1), value), errorCode, total);
        });
        if (!opening.isNull())
            fake.script.first().errorText = opening;
        if (errorCode != 0) { // one call, "0003" at once; the object area stays as it was
            ScriptedCall c;
            c.resultCode = "0003";
            c.errorText = "Broker not reachable";
            c.reply = withHeader(QByteArray(32, 0), errorCode, 0);
            fake.script = {c};
        }
        w.views().runFrontQuery();
    };
    query(2, 10, 0, 2);
    query(2, 20, 0, 2);
    TableWindow *table = w.views().openTable(tab);
    QLineEdit *box = w.pages()[tab]->fieldBoxes().value(counted);
    QVERIFY(w.queryBar(tab).text().isEmpty() && tabs->tabIcon(tab).isNull());
    QVERIFY(w.views().tints(tab)->tinted(box)); // 10 became 20

    query(0, 0, 1, 0);
    const QString failed = w.queryBar(tab).text();
    QVERIFY2(failed.startsWith("Query failed at ") && failed.contains("(error 1: ") &&
                 failed.contains("\"Broker not reachable\"") &&
                 failed.contains("The last good values, from ") &&
                 failed.contains("Menu > Configure"),
             qPrintable(failed));
    QVERIFY(w.queryBar(tab).failed() && !tabs->tabIcon(tab).isNull());
    QCOMPARE(table->bar().text(), failed);
    QVERIFY(box->text() != "0"); // the good value, or nothing: never a zero
    QVERIFY(!w.views().tints(tab)->tinted(box));
    const QAbstractItemModel *rows = table->view()->model();
    QCOMPARE(rows->rowCount(), 2); // the last good rows, greyed
    QVERIFY(rows->index(0, 0).data(Qt::ForegroundRole).isValid());

    query(3, 20, 0, 1500); // good again, but cut
    QCOMPARE(w.queryBar(tab).text(),
             QString("Showing 3 of 1500 %1: the broker holds more than it sent.")
                 .arg(tabs->tabText(tab) == "Client/Server"
                          ? "users"
                          : table->windowTitle().section(' ', 0, 0).toLower()));
    QVERIFY(!w.queryBar(tab).failed() && tabs->tabIcon(tab).isNull());
    QCOMPARE(table->bar().text(), w.queryBar(tab).text());
    QVERIFY(!rows->index(0, 0).data(Qt::ForegroundRole).isValid());
    QVERIFY(table->windowTitle().endsWith(", 3 objects of 1500"));

    // Whole, but the broker says what its login could not read: said in its words, and
    // gone once a round says nothing of it. The Worker tab shows its last reply's text.
    if (tab == 1)
        return;
    query(3, 20, 0, 3, "2 vhosts not readable by monitor");
    QCOMPARE(w.queryBar(tab).text(),
             QString("Not all is shown: the broker says \"2 vhosts not readable by monitor\"."));
    query(3, 20, 0, 3, "Ok");
    QVERIFY(w.queryBar(tab).text().isEmpty());
}

void TestOperatorViews::plotOverTime_fromABoxAndATableCell_data()
{
    QTest::addColumn<int>("tab");
    QTest::addColumn<QString>("counted");
    QTest::addColumn<QString>("key2"); // object "2" as the series names it
    QTest::newRow("workers") << 1 << "call_sum"
                             << "worker 2";
    QTest::newRow("services") << 2 << "req_sum"
                              << "service CLASS/NAME/2";
    QTest::newRow("users") << 3 << "sum_conv"
                           << "client_server 2";
    QTest::newRow("conversations") << 4 << "last_active_conv"
                                   << "conversation 2";
}

// The menu's action, triggered if it is enabled; the menu goes.
bool triggerPlot(QMenu *menu)
{
    auto *plot = menu->findChild<QAction *>("actPlotOverTime");
    const bool enabled = plot && menu->actions().contains(plot) && plot->isEnabled();
    if (enabled)
        plot->trigger();
    delete menu;
    return enabled;
}

void TestOperatorViews::plotOverTime_fromABoxAndATableCell()
{
    QFETCH(int, tab);
    QFETCH(QString, counted);
    QFETCH(QString, key2);
    TempWorkdir dir;
    FakeEntryPoint fake;
    FrmMain w(fake);
    w.findChild<QTabWidget *>("SSTab1")->setCurrentIndex(tab);
    QLineEdit *box = w.pages()[tab]->fieldBoxes().value(counted);
    QVERIFY(!triggerPlot(w.views().boxMenu(tab, box))); // no object shown yet
    QVERIFY(box->contextMenuPolicy() == Qt::CustomContextMenu);
    for (int value : {10, 20}) {
        fake.restart();
        scriptConversation(fake, 2,
                           [&](int i) { return objectOf(tab, QString::number(i + 1), value); });
        w.views().runFrontQuery();
    }

    // The box: the tab's object 1; the table's cell of the same field: object 2.
    QMenu *menu = w.views().boxMenu(tab, box);
    QVERIFY(menu->actions().size() > 2); // the box's own items stay
    QVERIFY(triggerPlot(menu));
    TrendWindow *trend = w.views().trendWindow();
    QVERIFY(trend && trend->isVisible() && trend->parent() == &w);
    TableWindow *table = w.views().openTable(tab);
    const QAbstractItemModel *rows = table->view()->model();
    int column = 0;
    while (column < rows->columnCount() &&
           rows->headerData(column, Qt::Horizontal, Qt::ToolTipRole) != counted)
        ++column;
    QVERIFY(triggerPlot(table->cellMenu(rows->index(1, column))));
    QVERIFY(triggerPlot(w.views().boxMenu(tab, box))); // again: no new series
    QCOMPARE(w.views().trendWindow(), trend);

    QCOMPARE(trend->series().size(), std::size_t(2));
    // The same field of two objects: the same label after each object's name.
    const QString label = trend->series()[0].name.section(": ", 1, -1);
    QCOMPARE(trend->series()[1].name, key2 + ": " + label);
    for (const TrendSeries &series : trend->series()) {
        QCOMPARE(series.points.size(), std::size_t(2));
        QCOMPARE(series.points.back().value, 20);
    }
    QCOMPARE(fake.sent.size(), 3); // the last query's calls: plotting called nobody
}

void TestOperatorViews::toolTips_fullTextWhereClipped_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("note");
    QTest::addColumn<QString>("box");   // the box's tooltip
    QTest::addColumn<QString>("entry"); // the list entry's tooltip
    const QString longName = "SERVER-CLASS-WITH-A-LONG-NAME-32";
    // clang-format off
    QTest::newRow("fits")                << "ABC" + QString(29, ' ') << "" << "" << "ABC";
    QTest::newRow("clipped, blanks cut") << longName + "  " << "" << longName << longName;
    QTest::newRow("fits, with a change") << "7" << "Was: 5" << "Was: 5" << "7";
    // clang-format on
    QTest::newRow("clipped, with a change")
        << longName << "Was: X" << longName + "\nWas: X" << longName;
}

void TestOperatorViews::toolTips_fullTextWhereClipped()
{
    QFETCH(QString, text);
    QFETCH(QString, note);
    QFETCH(QString, box);
    QFETCH(QString, entry);
    QWidget page;
    auto *edit = new QLineEdit(text, &page);
    edit->setGeometry(0, 0, 80, 22);
    auto *list = new QListWidget(&page);
    list->setGeometry(0, 30, 80, 80);
    list->addItem(text.trimmed()); // lists hold trimmed texts
    page.show();
    FullTextToolTips::install(&page);
    FullTextToolTips::setNote(edit, note);
    QCOMPARE(FullTextToolTips::textAt(edit, {5, 5}), box);
    const QPoint first = list->visualItemRect(list->item(0)).center();
    QCOMPARE(FullTextToolTips::textAt(list->viewport(), first), entry);
}

void TestOperatorViews::autoRefresh_timing_data()
{
    QTest::addColumn<bool>("boxUpAtFiring");
    QTest::addColumn<int>("boxInQuery");    // -1: none
    QTest::addColumn<int>("firingInQuery"); // the timer fires again inside this query; -1 none
    QTest::addColumn<QStringList>("log");
    QTest::addColumn<int>("interval"); // afterwards
    const QStringList round{"q0", "q1", "q2", "q3", "q4"};
    QTest::newRow("next round timed from the end of the last")
        << false << -1 << -1 << QStringList{"timer 5000"} + round + QStringList{"timer 5000"} << 5;
    QTest::newRow("a firing inside a round starts none")
        << false << -1 << 1 << QStringList{"timer 5000"} + round + QStringList{"timer 5000"} << 5;
    QTest::newRow("a box up: no round, tried again later")
        << true << -1 << -1 << QStringList{"timer 5000", "timer 5000"} << 5;
    QTest::newRow("a query shows a box: held, the rounds go on")
        << false << 2 << -1 << QStringList{"timer 5000"} + round + QStringList{"timer 5000"} << 5;
}

void TestOperatorViews::autoRefresh_timing()
{
    QFETCH(bool, boxUpAtFiring);
    QFETCH(int, boxInQuery);
    QFETCH(int, firingInQuery);
    QFETCH(QStringList, log);
    QFETCH(int, interval);
    QStringList seen;
    FakeTicker ticker;
    ticker.log = &seen;
    bool boxUp = boxUpAtFiring;
    QList<std::function<void()>> queries;
    for (int q = 0; q < 5; ++q)
        queries << [&, q] {
            seen << QStringLiteral("q%1").arg(q);
            if (q == boxInQuery)
                dialogs::message("Broker Message", "EOC true!!!");
            if (q == firingInQuery)
                ticker.elapse();
        };
    AutoRefresh refresh(
        ticker, [&] { return boxUp; }, queries);
    refresh.setInterval(5);
    ticker.elapse();
    QCOMPARE(seen, log);
    QCOMPARE(refresh.interval(), interval);
    QVERIFY2(m_boxes.shown.isEmpty(), qPrintable(m_boxes.texts().join('|')));
    QCOMPARE(refresh.heldInLastRound(), boxInQuery >= 0 ? 1 : 0);
    QCOMPARE(refresh.notes().size(), boxInQuery >= 0 ? 1 : 0);
    QCOMPARE(bool(ticker.pending), interval > 0);
}

// The menu's rounds hold their boxes; a query run by hand shows its box as always, and the
// failure path's box is never held, inside a round or not.
void TestOperatorViews::autoRefresh_holdsRoundBoxesButNotHandOrFailureBoxes()
{
    QStringList seen;
    FakeTicker ticker;
    ticker.log = &seen;
    QMainWindow window;
    auto *tabs = new QTabWidget(&window);
    window.setCentralWidget(tabs);
    QAction *about = window.menuBar()->addAction("A&bout");
    bool fail = false;
    const auto query = [&] {
        seen << "q";
        dialogs::message("Broker Message", "User does not exist!");
        if (fail)
            dialogs::fatal(9);
    };
    OperatorViews::Setup setup;
    setup.window = &window;
    setup.tabs = tabs;
    setup.menuBefore = about;
    setup.ticker = &ticker;
    setup.queries = {query};
    OperatorViews views(std::move(setup));
    window.findChild<QAction *>("mnuAutoRefresh_30")->trigger();
    ticker.elapse();
    ticker.elapse();
    QCOMPARE(seen, (QStringList{"timer 30000", "q", "timer 30000", "q", "timer 30000"}));
    QVERIFY(m_boxes.shown.isEmpty());
    QCOMPARE(views.autoRefresh().notes().size(), 2);
    QCOMPARE(views.autoRefresh().notes().last().text, QString("User does not exist!"));

    // An unattended start (Morvain --auto-refresh) holds its boxes as a round does.
    views.autoRefresh().holdBoxesOf(query);
    QVERIFY(m_boxes.shown.isEmpty());
    QCOMPARE(views.autoRefresh().heldInLastRound(), 1);
    QCOMPARE(views.autoRefresh().notes().size(), 3);

    query(); // by hand
    QCOMPARE(m_boxes.texts(), QStringList{"User does not exist!"});
    fail = true;
    QVERIFY_THROWS_EXCEPTION(ProgramEnded, ticker.elapse());
    QCOMPARE(m_boxes.texts().last(), dialogs::failureText(9));
}

void TestOperatorViews::autoRefresh_offAtEveryStartAndNothingSaved()
{
    TempWorkdir dir;
    FakeEntryPoint fake;
    const auto checkedInterval = [](FrmMain &w) {
        QStringList checked;
        for (QAction *a : w.findChild<QMenu *>("mnuAutoRefresh")->actions())
            if (a->isChecked())
                checked << a->objectName();
        return checked;
    };
    {
        FrmMain w(fake);
        w.Form_Load();
        QCOMPARE(checkedInterval(w), QStringList{"mnuAutoRefresh_0"});
        w.findChild<QAction *>("mnuAutoRefresh_10")->trigger();
        QCOMPARE(w.views().autoRefresh().interval(), 10);
        QCOMPARE(checkedInterval(w), QStringList{"mnuAutoRefresh_10"});
    }
    FrmMain again(fake);
    QCOMPARE(checkedInterval(again), QStringList{"mnuAutoRefresh_0"});
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{"Broker.cfg"});
}

// Object `name` of tab `tab` with `value` in its counted field; services of even and odd
// numbers under a class and a server name of their own, so keeping one selects at more
// than one level.
QByteArray namedObject(int tab, const QString &name, int value)
{
    if (tab != 2)
        return objectOf(tab, name, value);
    ServiceReply r;
    const QString parity = QString::number(name.toInt() % 2);
    r.setText<"server_class">("C" + parity);
    r.setText<"server_name">("N" + parity);
    r.setText<"service">("S" + name);
    r.setInt32<"req_sum">(value);
    return raw(r);
}

// What the tab has selected, as namedObject() named it.
QString selectedName(FrmMain &w, int tab)
{
    if (tab == 2) {
        const auto *services = w.findChild<TextList *>("lstService");
        return services->text(services->currentRow()).mid(1);
    }
    return w.findChild<QComboBox *>(tab == 3 ? "comUser_ID" : "comConv_id")->currentText();
}

void TestOperatorViews::autoRefresh_keepsTheShownObjectARefreshByHandTheFirst_data()
{
    QTest::addColumn<int>("tab");
    QTest::addColumn<QString>("counted");
    QTest::addColumn<QStringList>("inRound"); // the objects the round's query finds
    QTest::addColumn<QString>("kept");        // the one the tab shows after it
    const QList<QPair<int, QString>> tabs{{2, "req_sum"}, {3, "sum_conv"}, {4, "last_active_conv"}};
    for (const auto &[tab, counted] : tabs) {
        const QByteArray kind = QByteArray::number(tab);
        QTest::newRow(kind + ": still there, moved")
            << tab << counted << QStringList{"3", "4", "2"} << "2";
        QTest::newRow(kind + ": gone") << tab << counted << QStringList{"4", "3"} << "4";
    }
}

// The operator picks object 2; a round finds it elsewhere, or not at all; then a refresh by
// hand selects the first entry, as ever.
void TestOperatorViews::autoRefresh_keepsTheShownObjectARefreshByHandTheFirst()
{
    QFETCH(int, tab);
    QFETCH(QString, counted);
    QFETCH(QStringList, inRound);
    QFETCH(QString, kept);
    TempWorkdir dir;
    FakeEntryPoint fake;
    QStringList timing;
    FakeTicker ticker;
    ticker.log = &timing;
    FrmMain w(fake, nullptr, &ticker);
    w.findChild<QTabWidget *>("SSTab1")->setCurrentIndex(tab);
    int round = 0;
    // Object n's counted value in query r: 100 r + n, so a box tells which object it shows.
    const auto script = [&](const QStringList &names) {
        ++round;
        fake.restart();
        scriptConversation(fake, int(names.size()), [&](int i) {
            return namedObject(tab, names[i], 100 * round + names[i].toInt());
        });
    };
    const auto shows = [&](const QString &name) {
        const QString value = QString::number(100 * round + name.toInt());
        return selectedName(w, tab) == name &&
               w.pages()[tab]->fieldBoxes().value(counted)->text() == value;
    };
    script({"1", "2", "3"});
    w.views().runFrontQuery();
    QVERIFY(shows("1"));
    if (tab == 2) {
        w.findChild<TextList *>("lstServer_class")->setCurrentRow(1);
    } else {
        auto *ids = w.findChild<QComboBox *>(tab == 3 ? "comUser_ID" : "comConv_id");
        ids->setCurrentIndex(1);
        emit ids->activated(1);
    }
    QVERIFY(shows("2"));

    // WHEN a round queries every tab, this one finding `inRound` (the other kinds none)
    w.views().autoRefresh().setInterval(10);
    script(inRound);
    // The tabs before this one query an empty broker: one call each, "0003" at once.
    for (int kind = 0; kind < tab; ++kind)
        fake.script.prepend(ScriptedCall{"0003", {}, {}, {}, {}, 0});
    ticker.elapse();
    // THEN the tab shows the object kept, found by its key, or the first
    QVERIFY2(shows(kept), qPrintable(selectedName(w, tab)));

    // WHEN the operator refreshes by hand THEN the first entry is selected, as ever
    w.views().autoRefresh().setInterval(0);
    script(inRound);
    w.views().runFrontQuery();
    QVERIFY(shows(inRound.first()));
}

void TestOperatorViews::tables_freezeTheirKindsKeyColumns_data()
{
    QTest::addColumn<int>("tab");
    QTest::addColumn<QStringList>("frozen"); // the titles that stay in view
    QTest::newRow("workers") << 1 << QStringList{"worker_id"};
    QTest::newRow("services") << 2 << QStringList{"server_class", "server_name", "service"};
    QTest::newRow("users") << 3 << QStringList{"user_id"};
    QTest::newRow("conversations") << 4 << QStringList{"conversation_id"};
}

void TestOperatorViews::tables_freezeTheirKindsKeyColumns()
{
    QFETCH(int, tab);
    QFETCH(QStringList, frozen);
    TempWorkdir dir;
    FakeEntryPoint fake;
    FrmMain w(fake);
    scriptConversation(fake, 3, [&](int i) { return objectOf(tab, QString::number(i + 1), i); });
    w.findChild<QTabWidget *>("SSTab1")->setCurrentIndex(tab);
    w.views().runFrontQuery();
    TableWindow *table = w.views().openTable(tab);
    table->resize(400, 300);
    QVERIFY(QTest::qWaitForWindowExposed(table));
    FrozenColumnsView *view = table->view();
    QTableView *part = view->frozenPart();
    QStringList shown; // by the field names in the header's tooltips
    for (int c = 0; c < part->model()->columnCount(); ++c)
        if (!part->isColumnHidden(c))
            shown << part->model()->headerData(c, Qt::Horizontal, Qt::ToolTipRole).toString();
    QCOMPARE(shown, frozen);

    // Scrolled right to the end, the key columns still cover the table's left edge.
    view->horizontalScrollBar()->setValue(view->horizontalScrollBar()->maximum());
    QVERIFY(view->horizontalScrollBar()->value() > view->frozenWidth());
    QVERIFY(part->isVisible() && part->selectionModel() == view->selectionModel());
    QCOMPARE(part->geometry().left(), view->verticalHeader()->width() + view->frameWidth());
    QCOMPARE(part->width(), view->frozenWidth());

    // A row picked by its header is selected where the table stands.
    const int across = view->horizontalScrollBar()->value();
    QTest::mouseClick(view->verticalHeader()->viewport(), Qt::LeftButton, {},
                      {4, view->rowViewportPosition(1) + 4});
    QCOMPARE(view->selectionModel()->selectedRows().size(), 1);
    QCOMPARE(view->horizontalScrollBar()->value(), across);
}

void TestOperatorViews::brokerSwitch_marksEveryTabAndComparesNothingAcross()
{
    TempWorkdir dir;
    FakeEntryPoint fake;
    FrmMain w(fake);
    w.Form_Load(); // a blank broker ID: the demo, and its hint
    auto *hint = w.findChild<QFrame *>("demoHint");
    QVERIFY(hint && hint->isVisibleTo(&w));
    w.findChild<QTabWidget *>("SSTab1")->setCurrentIndex(2);
    const auto queryServices = [&](int value) {
        fake.restart();
        scriptConversation(fake, 1, [&](int) { return objectOf(2, "1", value); });
        w.views().runFrontQuery();
    };
    queryServices(10);
    QLineEdit *box = w.servicePage().fieldBoxes().value("req_sum");
    const QList<FieldInfo> fields = w.views().history(2)->model().columns();
    int column = 0;
    while (column < fields.size() && fields[column].name != "req_sum")
        ++column;
    QCOMPARE(w.views().plotOverTime(2, w.servicePage().model().key(1), column)->series().size(),
             std::size_t(1));

    // WHEN Save names another broker
    w.mnuConfigure_Click();
    w.configDialog()->findChild<QLineEdit *>("txtBroker_id")->setText("rabbit-prod");
    w.configDialog()->findChild<QPushButton *>("cmdSave")->click();

    // THEN every tab says whose values it still shows, the hint and the trend's series go
    const QString note = "from built-in demo broker, before the switch; Refresh to ask rabbit-prod";
    for (int tab = 0; tab < KindCount; ++tab)
        QCOMPARE(w.queryBar(tab).text(), note);
    QVERIFY(!hint->isVisibleTo(&w));
    QVERIFY(w.views().trendWindow()->series().empty());
    QCOMPARE(box->text(), QString("10"));

    // WHEN the service tab asks the new broker THEN its values are not compared with the
    // demo's, and the other tabs still say theirs are old
    queryServices(20);
    QCOMPARE(box->text(), QString("20"));
    QVERIFY(w.queryBar(2).text().isEmpty());
    QVERIFY(!w.views().tints(2)->tinted(box));
    QCOMPARE(w.queryBar(3).text(), note);
}

QTEST_MAIN(TestOperatorViews)
#include "tst_operator_views.moc"
