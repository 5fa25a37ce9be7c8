// The table windows over a kind's stored objects, and the comparison of one query with
// the query before: driven by a fake kind whose objects the test writes.

#include "change_tracker.h"
#include "fake_object_model.h"
#include "recording_presenter.h"
#include "temp_workdir.h"
#include "views/full_text_tooltips.h"
#include "views/kind_history.h"
#include "views/object_table_model.h"
#include "views/query_bar.h"
#include "views/tab_tints.h"
#include "views/table_window.h"
#include "views/trend_delegate.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QFile>
#include <QFont>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QProxyStyle>
#include <QScrollBar>
#include <QStandardItemModel>
#include <QTableView>
#include <QTest>

#include <memory>

using namespace morvain;
using namespace morvain::test;

namespace
{

// Four workers whose IDs sort differently as numbers and as text, names differing in case.
QList<QList<FieldValue>> fourWorkers()
{
    return {workerLike(9, 2, 100, "beta"), workerLike(10, 5, 7, "Alpha"),
            workerLike(100, 4, 50, "gamma"), workerLike(-5, 2, 3, "alpha2")};
}

struct Rig {
    FakeObjectModel model;
    qint64 now = 1'000'000;
    KindHistory history{model, [this] { return now; }};
    Rig()
    {
        model.fields = workerLikeFields();
        model.query(fourWorkers());
    }
};

QStringList column(const QAbstractItemModel &m, int col)
{
    QStringList out;
    for (int r = 0; r < m.rowCount(); ++r)
        out << m.index(r, col).data().toString();
    return out;
}

} // namespace

class TestTableViews : public QObject
{
    Q_OBJECT
    RecordingPresenter m_boxes;

private slots:
    void cleanup();
    void sort_numbersAsNumbersTextsWithoutCase_data();
    void sort_numbersAsNumbersTextsWithoutCase();
    void filter_overAllColumns_data();
    void filter_overAllColumns();
    void changes_perObjectAndField_data();
    void changes_perObjectAndField();
    void tabTints_theShownObjectsChangedBoxesUntilTheNextQuery();
    void tabTints_followTheObjectByKeyWhenTheOrderChanges_data();
    void tabTints_followTheObjectByKeyWhenTheOrderChanges();
    void course_sameRecordsAfterAQueryItMissed_areReadAgain();
    void history_forgotten_comparesWithNothingBefore();
    void queryBar_keepsItsTintOverRepeatedFailures();
    void window_followsEveryQueryOfItsKind();
    void window_copiesTheSelectionTabSeparated();
    void window_exportsTheCsvOrSaysWhyNot();
    void window_keepsItsBearingsAcrossQueries_data();
    void window_keepsItsBearingsAcrossQueries();
    void window_copiesWithTitlesByCtrlCWithoutByCtrlShiftC_data();
    void window_copiesWithTitlesByCtrlCWithoutByCtrlShiftC();
    void columnsSizedToContents_asQtsOwnDelegateSizesThem();
};

void TestTableViews::cleanup()
{
    m_boxes.shown.clear();
    QCOMPARE(QApplication::topLevelWidgets().size(), 0);
}

void TestTableViews::sort_numbersAsNumbersTextsWithoutCase_data()
{
    QTest::addColumn<int>("sortColumn");
    QTest::addColumn<int>("order");
    QTest::addColumn<QStringList>("ids");
    // Columns: worker_id, worker_status, its word, call_sum, its rate, name, seen since.
    QTest::newRow("unsorted: as received") << -1 << 0 << QStringList{"9", "10", "100", "-5"};
    QTest::newRow("id ascending") << 0 << 0 << QStringList{"-5", "9", "10", "100"};
    QTest::newRow("id descending") << 0 << 1 << QStringList{"100", "10", "9", "-5"};
    QTest::newRow("counter") << 3 << 0 << QStringList{"-5", "10", "100", "9"};
    QTest::newRow("word") << 2 << 0 << QStringList{"9", "-5", "100", "10"};
    QTest::newRow("name, case folded") << 5 << 0 << QStringList{"10", "-5", "9", "100"};
}

void TestTableViews::sort_numbersAsNumbersTextsWithoutCase()
{
    QFETCH(int, sortColumn);
    QFETCH(int, order);
    QFETCH(QStringList, ids);
    Rig rig;
    ObjectTableModel table(rig.history);
    ObjectTableProxy proxy(table);
    proxy.sort(sortColumn, order ? Qt::DescendingOrder : Qt::AscendingOrder);
    QCOMPARE(column(proxy, 0), ids);
}

void TestTableViews::filter_overAllColumns_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("regex");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<QStringList>("ids");
    const QStringList all{"9", "10", "100", "-5"};
    QTest::newRow("empty") << "" << false << true << all;
    QTest::newRow("substring, any case") << "ALPHA" << false << true << QStringList{"10", "-5"};
    QTest::newRow("substring of any column")
        << "10" << false << true << QStringList{"9", "10", "100"};
    QTest::newRow("a code's word") << "waiting" << false << true << QStringList{"10"};
    QTest::newRow("regex is literal text here") << "^9$" << false << true << QStringList{};
    QTest::newRow("regex, anchored") << "^9$" << true << true << QStringList{"9"};
    QTest::newRow("regex alternatives")
        << "^(beta|gamma)$" << true << true << QStringList{"9", "100"};
    QTest::newRow("invalid regex keeps the filter") << "(" << true << false << all;
}

void TestTableViews::filter_overAllColumns()
{
    QFETCH(QString, text);
    QFETCH(bool, regex);
    QFETCH(bool, valid);
    QFETCH(QStringList, ids);
    Rig rig;
    ObjectTableModel table(rig.history);
    ObjectTableProxy proxy(table);
    QCOMPARE(proxy.setFilter(text, regex), valid);
    QCOMPARE(column(proxy, 0), ids);
}

void TestTableViews::changes_perObjectAndField_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<int>("field");
    QTest::addColumn<int>("state");
    QTest::addColumn<QString>("oldText");
    QTest::addColumn<double>("perSecond"); // -1: none
    const int unchanged = int(ChangeState::Unchanged), changed = int(ChangeState::Changed),
              added = int(ChangeState::New);
    // Two seconds apart: worker 9 did 40 more calls and changed status and name; worker 10
    // is as it was; 7 is new; 100 and -5 are gone.
    QTest::newRow("counter: old value and rate") << "9" << 2 << changed << "100" << 20.0;
    QTest::newRow("code: old code") << "9" << 1 << changed << "2" << -1.0;
    QTest::newRow("text: untrimmed old text") << "9" << 3 << changed << "beta    " << -1.0;
    QTest::newRow("same value") << "9" << 0 << unchanged << "" << -1.0;
    QTest::newRow("object unchanged") << "10" << 2 << unchanged << "" << -1.0;
    QTest::newRow("new object") << "7" << 2 << added << "" << -1.0;
}

void TestTableViews::changes_perObjectAndField()
{
    QFETCH(QString, key);
    QFETCH(int, field);
    QFETCH(int, state);
    QFETCH(QString, oldText);
    QFETCH(double, perSecond);
    FakeObjectModel model;
    model.fields = workerLikeFields();
    model.rows = fourWorkers();
    ChangeTracker tracker;
    tracker.record(model, 10'000);
    QVERIFY(!tracker.hasBaseline());
    QCOMPARE(int(tracker.field("9", 2, workerLike(9, 4, 140, "b")[2]).state),
             int(ChangeState::Unchanged)); // nothing to compare with yet

    // The repeated 10 (a closing reply repeats the last object) is compared by its first.
    model.query({workerLike(9, 5, 140, "BETA"), workerLike(10, 5, 7, "Alpha"),
                 workerLike(7, 2, 1, "new"), workerLike(10, 2, 99, "Alpha")});
    tracker.record(model, 12'000);
    QVERIFY(tracker.hasBaseline());
    QCOMPARE(tracker.gone(), (QStringList{"100", "-5"}));

    int row = 0;
    while (model.key(row + 1) != key)
        ++row;
    const FieldChange change = tracker.field(key, field, model.rows[row][field]);
    QCOMPARE(int(change.state), state);
    const ChangeState object =
        state == int(ChangeState::New) ? ChangeState::New : ChangeState::Unchanged;
    QCOMPARE(tracker.objectState(key), object);
    QCOMPARE(change.oldText, oldText);
    QCOMPARE(change.perSecond.value_or(-1.0), perSecond);
}

void TestTableViews::tabTints_theShownObjectsChangedBoxesUntilTheNextQuery()
{
    Rig rig;
    QLineEdit calls, status;
    TabTints tints(rig.history, {{"call_sum", &calls}, {"worker_status", &status}});
    const QColor plain = calls.palette().color(QPalette::Base);
    rig.now += 4000;
    rig.model.query({workerLike(9, 5, 300, "beta"), workerLike(10, 5, 7, "Alpha")});
    tints.objectShown(1); // worker 9: 100 calls became 300, status 2 became 5
    QVERIFY(tints.tinted(&calls) && tints.tinted(&status));
    QCOMPARE(FullTextToolTips::note(&calls), QString("Was: 100\nChange per second: 50.00"));
    QCOMPARE(FullTextToolTips::note(&status), QString("Was: 2 (Active)"));
    tints.objectShown(2); // worker 10 is as it was
    QVERIFY(!tints.tinted(&calls) && !tints.tinted(&status));
    QCOMPARE(calls.palette().color(QPalette::Base), plain);
    QVERIFY(FullTextToolTips::note(&calls).isEmpty());

    tints.objectShown(1);
    tints.setHighlight(false);
    QVERIFY(!tints.tinted(&calls));
    tints.setHighlight(true);
    QVERIFY(tints.tinted(&calls));
    rig.model.query({workerLike(9, 5, 300, "beta")}); // the same again: nothing changed
    QVERIFY(!tints.tinted(&calls));
}

void TestTableViews::tabTints_followTheObjectByKeyWhenTheOrderChanges_data()
{
    QTest::addColumn<int>("shown");
    QTest::addColumn<bool>("callsTinted");
    QTest::addColumn<bool>("statusTinted");
    // The second query returns the four workers in reverse order; only worker 100 changed.
    QTest::newRow("worker -5, was last") << 1 << false << false;
    QTest::newRow("worker 100, changed") << 2 << true << false;
    QTest::newRow("worker 10, was second") << 3 << false << false;
    QTest::newRow("worker 9, was first") << 4 << false << false;
}

void TestTableViews::tabTints_followTheObjectByKeyWhenTheOrderChanges()
{
    QFETCH(int, shown);
    QFETCH(bool, callsTinted);
    QFETCH(bool, statusTinted);
    Rig rig;
    QLineEdit calls, status;
    TabTints tints(rig.history, {{"call_sum", &calls}, {"worker_status", &status}});
    rig.now += 1000;
    rig.model.query({workerLike(-5, 2, 3, "alpha2"), workerLike(100, 4, 60, "gamma"),
                     workerLike(10, 5, 7, "Alpha"), workerLike(9, 2, 100, "beta")});
    tints.objectShown(shown);
    QCOMPARE(tints.tinted(&calls), callsTinted);
    QCOMPARE(tints.tinted(&status), statusTinted);
}

void TestTableViews::course_sameRecordsAfterAQueryItMissed_areReadAgain()
{
    Rig rig; // worker 9 made 100 calls
    rig.history.setKeepCourse(false);
    rig.now += 1000;
    rig.model.query({workerLike(9, 2, 140, "beta")}); // not kept
    rig.history.setKeepCourse(true);
    rig.now += 1000;
    rig.model.query({workerLike(9, 2, 140, "beta")}); // the same records as the one missed
    QCOMPARE(rig.history.course().latest("9", 2), std::optional<std::int64_t>(140));
    QCOMPARE(rig.history.course().series("9", 2).size(), std::size_t(2));
}

// What the window fuzzer relies on to start every input afresh.
void TestTableViews::history_forgotten_comparesWithNothingBefore()
{
    Rig rig; // worker 9 made 100 calls
    rig.now += 1000;
    rig.model.query({workerLike(9, 2, 140, "beta")});
    rig.history.forget();
    QVERIFY(!rig.history.queried());
    rig.now += 1000;
    rig.model.query({workerLike(9, 2, 180, "beta")});
    QVERIFY(!rig.history.changes().hasBaseline());
    QCOMPARE(rig.history.course().queryCount(), 1);
    QCOMPARE(rig.history.course().rate("9", 2), std::nullopt);
}

void TestTableViews::queryBar_keepsItsTintOverRepeatedFailures()
{
    Rig rig;
    QueryBar bar;
    rig.model.reply.error_code = 1;
    QList<QColor> tints;
    for (int i = 0; i < 3; ++i) {
        rig.model.query(fourWorkers());
        bar.follow(rig.history);
        tints << bar.palette().color(QPalette::Window);
    }
    QCOMPARE(tints.at(2), tints.at(0));
}

void TestTableViews::window_followsEveryQueryOfItsKind()
{
    Rig rig;
    int csvCalls = 0;
    TableWindow window(rig.history, "Workers", [&](const ObjectModel &) {
        ++csvCalls;
        return QByteArray();
    });
    window.show();
    QTableView *view = window.view();
    QCOMPARE(view->model()->rowCount(), 4);
    QVERIFY(window.windowTitle().startsWith("Workers - Queried at "));
    QVERIFY(window.windowTitle().endsWith(", 4 objects"));
    view->sortByColumn(0, Qt::AscendingOrder);
    window.findChild<QLineEdit *>("txtFilter")->setText("a"); // beta, Alpha, gamma, alpha2

    // GIVEN the window open, WHEN the kind is queried again two seconds later
    rig.now += 2000;
    rig.model.query({workerLike(9, 2, 150, "beta"), workerLike(11, 2, 1, "omega"),
                     workerLike(10, 5, 7, "Alpha")});
    // THEN it shows the new table, still sorted and filtered, with the changes marked and
    // the two gone workers struck through
    QCOMPARE(column(*view->model(), 0), (QStringList{"-5", "9", "10", "11", "100"}));
    QVERIFY(window.windowTitle().endsWith(", 3 objects"));
    const QModelIndex calls9 = view->model()->index(1, 3);
    QVERIFY(calls9.data(Qt::BackgroundRole).isValid());
    QCOMPARE(calls9.data(Qt::ToolTipRole).toString(),
             QString("150\nWas: 100\nChange per second: 25.00"));
    QCOMPARE(view->model()->index(1, 4).data().toString(), QString("25.00")); // its rate
    QVERIFY(!view->model()->index(2, 3).data(Qt::BackgroundRole).isValid());  // 10 unchanged
    QCOMPARE(view->model()->headerData(3, Qt::Vertical).toString(), QString("2 new"));
    QCOMPARE(window.findChild<QLabel *>("lblChanges")->text(),
             QString("Since the query before: 1 new, 1 changed, 2 gone"));
    QCOMPARE(view->model()->index(1, 5).data(Qt::ToolTipRole).toString(), QString("beta"));
    for (int row : {0, 4}) {
        QVERIFY(view->model()->index(row, 5).data(Qt::FontRole).value<QFont>().strikeOut());
        QCOMPARE(view->model()->index(row, 4).data().toString(), QString()); // no rate now
    }

    window.setHighlight(false);
    QVERIFY(!calls9.data(Qt::BackgroundRole).isValid());
    QCOMPARE(csvCalls, 0);

    // WHEN the kind is queried once more THEN the gone workers are no longer listed
    rig.now += 2000;
    rig.model.query({workerLike(9, 2, 150, "beta"), workerLike(11, 2, 1, "omega"),
                     workerLike(10, 5, 7, "Alpha")});
    QCOMPARE(column(*view->model(), 0), (QStringList{"9", "10", "11"}));
}

void TestTableViews::window_copiesTheSelectionTabSeparated()
{
    Rig rig;
    TableWindow window(rig.history, "Workers", {});
    QTableView *view = window.view();
    view->sortByColumn(0, Qt::DescendingOrder);
    const QAbstractItemModel *m = view->model();
    // The rate column between is empty: one query, no rate yet.
    view->selectionModel()->select(QItemSelection(m->index(0, 3), m->index(1, 5)),
                                   QItemSelectionModel::Select);
    QCOMPARE(window.selectionText(), QString("50\t\tgamma\n7\t\tAlpha"));
    window.copySelection();
    QCOMPARE(QApplication::clipboard()->text(), QString("50\t\tgamma\n7\t\tAlpha"));
}

void TestTableViews::window_exportsTheCsvOrSaysWhyNot()
{
    TempWorkdir dir;
    Rig rig;
    TableWindow window(rig.history, "Workers", [](const ObjectModel &model) {
        return QByteArray("objects,") + QByteArray::number(model.objectCount()) + "\r\n";
    });
    QVERIFY(window.writeCsv(dir.file("workers.csv")));
    QFile written(dir.file("workers.csv"));
    QVERIFY(written.open(QIODevice::ReadOnly));
    QCOMPARE(written.readAll(), QByteArray("objects,4\r\n"));
    QVERIFY(m_boxes.shown.isEmpty());

    QVERIFY(!window.writeCsv(dir.file("no such folder/workers.csv")));
    QCOMPARE(m_boxes.shown.size(), 1);
    QCOMPARE(m_boxes.shown[0].first, QString("Export CSV"));

    // After a failed query the window shows the last good rows; no file passes for them.
    rig.model.reply.error_code = 1;
    rig.model.query({});
    QVERIFY(!window.writeCsv(dir.file("failed.csv")));
    QVERIFY(!QFile::exists(dir.file("failed.csv")));
    QCOMPARE(m_boxes.shown.size(), 2);
}

// Forty workers, IDs 1 to 40, with `calls` calls each and names that sort as the IDs.
QList<QList<FieldValue>> fortyWorkers(qint64 calls, int without = 0)
{
    QList<QList<FieldValue>> workers;
    for (int id = 1; id <= 40; ++id)
        if (id != without)
            workers << workerLike(id, 2, calls, QString("w%1").arg(id, 2, 10, QChar('0')));
    return workers;
}

// The keys of the selected rows, in the order shown.
QStringList selectedKeys(TableWindow &window)
{
    QStringList keys;
    for (const QModelIndex &row : window.view()->selectionModel()->selectedRows())
        keys << window.tableModel().key(window.proxy().mapToSource(row).row());
    return keys;
}

void TestTableViews::window_keepsItsBearingsAcrossQueries_data()
{
    QTest::addColumn<qint64>("calls"); // every worker's calls in the query after
    QTest::addColumn<int>("without");  // a worker the query after no longer finds
    QTest::addColumn<QStringList>("kept");
    QTest::newRow("values changed: rows rebuilt") << qint64(7) << 0 << QStringList{"30", "28"};
    QTest::newRow("one selected gone, listed") << qint64(7) << 28 << QStringList{"30", "28"};
    QTest::newRow("one selected gone, dropped") << qint64(7) << -28 << QStringList{"30"};
}

// Sorted by name descending, filtered, scrolled right and down, two rows selected: a query
// that rebuilds the rows changes none of it.
void TestTableViews::window_keepsItsBearingsAcrossQueries()
{
    QFETCH(qint64, calls);
    QFETCH(int, without);
    QFETCH(QStringList, kept);
    Rig rig;
    rig.model.query(fortyWorkers(1));
    TableWindow window(rig.history, "Workers", {});
    window.resize(260, 220);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QTableView *view = window.view();
    view->sortByColumn(5, Qt::DescendingOrder);
    window.findChild<QLineEdit *>("txtFilter")->setText("w");
    const QAbstractItemModel *m = view->model();
    for (int row : {10, 12}) // w30 and w28
        view->selectionModel()->select(m->index(row, 0),
                                       QItemSelectionModel::Select | QItemSelectionModel::Rows);
    view->selectionModel()->setCurrentIndex(m->index(12, 3), QItemSelectionModel::NoUpdate);
    view->horizontalScrollBar()->setValue(view->horizontalScrollBar()->maximum() / 2);
    view->verticalScrollBar()->setValue(view->verticalScrollBar()->maximum() / 2);
    const int across = view->horizontalScrollBar()->value();
    const int down = view->verticalScrollBar()->value();
    QVERIFY(across > 0 && down > 0);

    rig.now += 2000;
    rig.model.query(fortyWorkers(calls, std::abs(without)));
    if (without < 0) { // once more: the gone worker is no longer listed
        rig.now += 2000;
        rig.model.query(fortyWorkers(calls, -without));
    }
    QCoreApplication::processEvents(); // the view's delayed layout
    QCOMPARE(selectedKeys(window), kept);
    const QModelIndex current = window.proxy().mapToSource(view->currentIndex());
    QCOMPARE(current.isValid() ? window.tableModel().key(current.row()) : QString(),
             kept.contains("28") ? QString("28") : QString());
    QCOMPARE(m->index(0, 5).data().toString(), QString("w40")); // still sorted
    QCOMPARE(view->horizontalScrollBar()->value(), across);
    QCOMPARE(view->verticalScrollBar()->value(), down);
}

void TestTableViews::window_copiesWithTitlesByCtrlCWithoutByCtrlShiftC_data()
{
    QTest::addColumn<QKeyCombination>("key");
    QTest::addColumn<bool>("ragged"); // the second row's middle cell not selected
    QTest::addColumn<QString>("copied");
    // Columns: worker_id, status, status word, calls, calls /s, name; rows sorted by ID.
    QTest::newRow("Ctrl+C") << QKeyCombination(Qt::ControlModifier, Qt::Key_C) << false
                            << "Worker id\tCall sum\tCall sum /s\n-5\t3\t\n9\t100\t";
    QTest::newRow("Ctrl+C, ragged") << QKeyCombination(Qt::ControlModifier, Qt::Key_C) << true
                                    << "Worker id\tCall sum\tCall sum /s\n-5\t3\t\n9\t\t";
    QTest::newRow("Ctrl+Shift+C") << QKeyCombination(Qt::ControlModifier | Qt::ShiftModifier,
                                                     Qt::Key_C)
                                  << false << "-5\t3\t\n9\t100\t";
}

void TestTableViews::window_copiesWithTitlesByCtrlCWithoutByCtrlShiftC()
{
    QFETCH(QKeyCombination, key);
    QFETCH(bool, ragged);
    QFETCH(QString, copied);
    Rig rig;
    TableWindow window(rig.history, "Workers", {});
    window.show();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    QTableView *view = window.view();
    view->sortByColumn(0, Qt::AscendingOrder);
    const QAbstractItemModel *m = view->model();
    QItemSelection cells(m->index(0, 3), m->index(1, 4));
    cells.select(m->index(0, 0), m->index(1, 0)); // the frozen key column
    view->selectionModel()->select(cells, QItemSelectionModel::Select);
    if (ragged)
        view->selectionModel()->select(m->index(1, 3), QItemSelectionModel::Deselect);
    QApplication::clipboard()->clear();
    view->setFocus();
    QTest::keyClick(view, key.key(), key.keyboardModifiers());
    QCOMPARE(QApplication::clipboard()->text(), copied);

    std::unique_ptr<QMenu> menu(window.cellMenu(m->index(0, 0))); // copies either way too
    menu->findChild<QAction *>("actCopyWithoutTitles")->trigger();
    QCOMPARE(QApplication::clipboard()->text(), window.selectionText());
}

// Sizes are kept by text and font; a column must come out as wide as Qt's own delegate
// makes it, whatever repeats: the same text bold and plain, with an icon, with no text.
void TestTableViews::columnsSizedToContents_asQtsOwnDelegateSizesThem()
{
    QStandardItemModel model(0, 3);
    QFont bold;
    bold.setBold(true);
    QPixmap icon(24, 24);
    icon.fill(Qt::red);
    const auto add = [&](const QString &a, const QString &b, const QString &c) {
        QList<QStandardItem *> row{new QStandardItem(a), new QStandardItem(b),
                                   new QStandardItem(c)};
        model.appendRow(row);
        return row;
    };
    add("0", "WWWW", "7");
    add("0", "WWWW", "7")[1]->setFont(bold); // the widest cell: a text met plain before
    add("12", "ok", "7")[2]->setIcon(icon);  // a text met before, now with an icon
    add("0", "", QString());

    QTableView ours;
    QTableView qts;
    auto *delegate = new TrendDelegate(&ours);
    ours.setItemDelegate(delegate);
    // Then another look, whose cells are wider.
    struct WiderCells : QProxyStyle {
        QSize sizeFromContents(ContentsType type, const QStyleOption *option, const QSize &size,
                               const QWidget *widget) const override
        {
            const QSize base = QProxyStyle::sizeFromContents(type, option, size, widget);
            return type == CT_ItemViewItem ? base + QSize(10, 0) : base;
        }
    };
    auto wider = std::make_unique<WiderCells>();
    for (QStyle *style : {static_cast<QStyle *>(nullptr), static_cast<QStyle *>(wider.get())}) {
        for (QTableView *view : {&ours, &qts}) {
            if (style)
                view->setStyle(style);
            view->setModel(&model);
            view->setWordWrap(false);
            view->horizontalHeader()->setResizeContentsPrecision(-1); // every row
            view->resizeColumnsToContents();
            view->resizeRowsToContents();
        }
        for (int c = 0; c < model.columnCount(); ++c)
            QCOMPARE(ours.columnWidth(c), qts.columnWidth(c));
        for (int r = 0; r < 4; ++r)
            QCOMPARE(ours.rowHeight(r), qts.rowHeight(r));
    }
    for (int i = 0; i < TrendDelegate::sizedLimit + 10; ++i) // past the kept sizes' bound
        add(QString::number(i % 50), "ok", QString::number(i));
    ours.resizeColumnsToContents();
    qts.resizeColumnsToContents();
    QCOMPARE(ours.columnWidth(2), qts.columnWidth(2));
    QVERIFY(delegate->sizedCount() > 0);
    QVERIFY(delegate->sizedCount() <= TrendDelegate::sizedLimit);
}

QTEST_MAIN(TestTableViews)
#include "tst_table_views.moc"
