// Threshold rules in the window: breaches judged after each query of a kind, notified once
// per breach, shown on the rows, boxes, tab and status bar; a bad rule is named and the
// others run.

#include "fake_object_model.h"
#include "thresholds/breach_views.h"
#include "thresholds/breach_watch.h"
#include "thresholds/thresholds_dialog.h"
#include "views/full_text_tooltips.h"
#include "views/operator_views.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLineEdit>
#include <QMainWindow>
#include <QStatusBar>
#include <QTabWidget>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>

using namespace morvain;
using namespace morvain::test;

namespace
{

// Tab 1 is the workers' tab, as in the registry, so it has a table window.
constexpr int workerTab = 1;

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

// A main window with two fake worker kinds (tab 0 stays unqueried), the views over them, a
// watch that reads the rules in `rules` and a label in the status bar.
struct Rig {
    QTemporaryDir dir;
    QString rulesFile = dir.filePath(QStringLiteral("thresholds.json"));
    FakeObjectModel unused, model;
    qint64 now = 1'000'000;
    QMainWindow window;
    QTabWidget *tabs = new QTabWidget(&window);
    QLineEdit *calls = new QLineEdit(&window);
    std::unique_ptr<OperatorViews> views;
    std::unique_ptr<BreachWatch> watch;
    BreachLabel *label = nullptr;
    QStringList notified;

    explicit Rig(const QByteArray &rules)
    {
        if (!rules.isNull())
            writeFile(rulesFile, rules);
        tabs->addTab(new QWidget, QStringLiteral("Broker"));
        tabs->addTab(new QWidget, QStringLiteral("Workers"));
        OperatorViews::Setup setup;
        setup.window = &window;
        setup.tabs = tabs;
        setup.models = {&unused, &model};
        setup.boxes = {{}, {{QStringLiteral("call_sum"), calls}}};
        setup.clock = [this] { return now; };
        views = std::make_unique<OperatorViews>(std::move(setup));
        watch = std::make_unique<BreachWatch>(
            QList<KindHistory *>{views->history(0), views->history(1)});
        watch->setNotifier([this](const QString &, const QString &text) { notified << text; });
        watch->setNotify(true);
        showBreaches(*watch, *views);
        label = new BreachLabel(*watch, window.statusBar());
        watch->load(rulesFile);
    }
    // One query of the workers; the tab then shows the first.
    void query(QList<QList<FieldValue>> workers)
    {
        now += 1000;
        model.query(std::move(workers));
        views->tints(workerTab)->objectShown(1);
    }
};

const QByteArray callsOver100 =
    R"({"rules": [{"name": "busy", "kind": "worker", "field": "call_sum", "comparison": ">",
                   "value": 100, "severity": "warning"}]})";

} // namespace

class TestThresholdViews : public QObject
{
    Q_OBJECT

private slots:
    // --- notifications
    void notifications_onePerTransitionIntoBreach_data();
    void notifications_onePerTransitionIntoBreach();
    void brokerSwitch_dropsTheOldBrokersBreaches();

    // --- the rules file
    void rulesFile_badRuleRefusedByName_othersRun_data();
    void rulesFile_badRuleRefusedByName_othersRun();
    void dialogSave_keepsRefusedEntries_andReloads();

    // --- how a breach shows
    void breachedKey_marksRowBoxAndTab_data();
    void breachedKey_marksRowBoxAndTab();
};

void TestThresholdViews::notifications_onePerTransitionIntoBreach_data()
{
    QTest::addColumn<QList<int>>("callSums"); // worker 7's call_sum, one query each
    QTest::addColumn<bool>("rate");           // the rule judges calls per second, queries 1 s apart
    QTest::addColumn<bool>("notify");
    QTest::addColumn<int>("notifications");
    QTest::addColumn<int>("breachedAtEnd");

    QTest::newRow("breached, cleared, breached again")
        << QList<int>{150, 50, 150} << false << true << 2 << 1;
    QTest::newRow("stays breached") << QList<int>{150, 160, 170} << false << true << 1 << 1;
    QTest::newRow("never breached") << QList<int>{10, 100} << false << true << 0 << 0;
    QTest::newRow("breached then cleared") << QList<int>{101, 100} << false << true << 1 << 0;
    QTest::newRow("rate stays breached") << QList<int>{0, 200, 400} << true << true << 1 << 1;
    QTest::newRow("notifications off") << QList<int>{150, 50, 150} << false << false << 0 << 1;
}

void TestThresholdViews::notifications_onePerTransitionIntoBreach()
{
    QFETCH(QList<int>, callSums);
    QFETCH(bool, rate);
    QFETCH(bool, notify);
    QFETCH(int, notifications);
    QFETCH(int, breachedAtEnd);

    Rig rig(rate ? QByteArray(callsOver100).replace("\"value\"", "\"rate\": true, \"value\"")
                 : callsOver100);
    rig.watch->setNotify(notify);
    for (int calls : callSums)
        rig.query({workerLike(7, 2, calls, "seven"), workerLike(8, 2, 0, "eight")});
    QCOMPARE(rig.notified.size(), notifications);
    for (const QString &text : std::as_const(rig.notified))
        QVERIFY2(text.contains(QLatin1String("worker 7 call_sum")), qPrintable(text));
    QCOMPARE(rig.watch->count(), breachedAtEnd);
    QCOMPARE(rig.label->text(),
             breachedAtEnd == 1 ? QStringLiteral("1 breach") : QStringLiteral("No breaches"));
}

void TestThresholdViews::brokerSwitch_dropsTheOldBrokersBreaches()
{
    Rig rig(callsOver100);
    rig.query({workerLike(7, 2, 150, "seven")});
    QCOMPARE(rig.watch->count(), 1);
    rig.views->brokerSwitched("demo", "rabbit-prod");
    QCOMPARE(rig.watch->count(), 0);
    QVERIFY(!rig.watch->severityOf(1, "7"));
    QCOMPARE(rig.label->text(), QStringLiteral("No breaches"));
}

void TestThresholdViews::rulesFile_badRuleRefusedByName_othersRun_data()
{
    QTest::addColumn<QByteArray>("rules"); // a null array: no file
    QTest::addColumn<QString>("message");
    QTest::addColumn<int>("breaches");

    const QByteArray good =
        R"({"kind": "worker", "field": "call_sum", "comparison": ">=", "value": 5,
            "severity": "critical"})";
    QTest::newRow("unknown field")
        << QByteArray(R"({"rules": [{"name": "typo", "kind": "worker", "field": "call_sun",
                         "comparison": ">", "value": 1, "severity": "warning"}, )" +
                      good + "]}")
        << QStringLiteral("rule 1 (\"typo\") refused: unknown field 'call_sun'") << 1;
    QTest::newRow("bad comparison")
        << QByteArray(R"({"rules": [)" + good + R"(, {"kind": "worker", "field": "call_sum",
                         "comparison": "=>", "value": 1, "severity": "warning"}]})")
        << QStringLiteral("rule 2 refused: bad comparison '=>'") << 1;
    QTest::newRow("not JSON") << QByteArray("{\"rules\": [") << QStringLiteral("is not JSON") << 0;
    QTest::newRow("no file") << QByteArray() << QString() << 0;
}

void TestThresholdViews::rulesFile_badRuleRefusedByName_othersRun()
{
    QFETCH(QByteArray, rules);
    QFETCH(QString, message);
    QFETCH(int, breaches);

    Rig rig(rules);
    rig.query({workerLike(7, 2, 10, "seven")});

    QCOMPARE(rig.watch->count(), breaches);
    // No file: the window is as it was without thresholds.
    QCOMPARE(rig.watch->active(), !rules.isNull());
    QCOMPARE(rig.label->isVisibleTo(&rig.window), !rules.isNull());
    QVERIFY(rig.tabs->tabIcon(workerTab).isNull() == (breaches == 0));
    if (message.isEmpty())
        return;
    QCOMPARE(rig.watch->problems().size(), 1);
    QVERIFY2(rig.watch->problems().constFirst().contains(message),
             qPrintable(rig.watch->problems().join(u'\n')));
    QVERIFY2(rig.label->toolTip().contains(message), qPrintable(rig.label->toolTip()));
}

// Saving from the dialog must not drop what the user wrote but the program refused.
void TestThresholdViews::dialogSave_keepsRefusedEntries_andReloads()
{
    Rig rig(R"({"description": "ours", "rules": [{"name": "typo", "kind": "worker",
               "field": "call_sun", "comparison": ">", "value": 1, "severity": "warning"}]})");
    rig.query({workerLike(7, 2, 150, "seven")});
    QCOMPARE(rig.watch->count(), 0);

    ThresholdsDialog dialog(*rig.watch);
    thresholds::Rule rule;
    rule.kind = QStringLiteral("worker");
    rule.field = QStringLiteral("call_sum");
    rule.value = 100;
    dialog.addRule(rule);
    QVERIFY(dialog.save());

    QFile f(rig.rulesFile);
    QVERIFY(f.open(QIODevice::ReadOnly));
    const QJsonObject top = QJsonDocument::fromJson(f.readAll()).object();
    QCOMPARE(top.value(QLatin1String("description")).toString(), QStringLiteral("ours"));
    const QJsonArray list = top.value(QLatin1String("rules")).toArray();
    QCOMPARE(list.size(), 2);
    QCOMPARE(list.at(1).toObject().value(QLatin1String("field")).toString(),
             QStringLiteral("call_sun"));
    QCOMPARE(rig.watch->count(), 1); // the saved rule runs at once
    QCOMPARE(rig.watch->problems().size(), 1);
}

void TestThresholdViews::breachedKey_marksRowBoxAndTab_data()
{
    QTest::addColumn<QString>("severity");
    QTest::newRow("warning") << QStringLiteral("warning");
    QTest::newRow("critical") << QStringLiteral("critical");
}

void TestThresholdViews::breachedKey_marksRowBoxAndTab()
{
    QFETCH(QString, severity);

    Rig rig(QByteArray(callsOver100).replace("warning", severity.toLatin1()));
    const QColor tint = breachTint(rig.watch->rules().rules.constFirst().severity);
    TableWindow *table = rig.views->openTable(workerTab);
    QVERIFY(table);
    // Worker 7 breaches; its value changed since the query before too, and the breach wins.
    rig.query({workerLike(7, 2, 90, "seven"), workerLike(8, 2, 0, "eight")});
    rig.query({workerLike(7, 2, 150, "seven"), workerLike(8, 2, 1, "eight")});

    const QAbstractItemModel &rows = table->tableModel();
    QCOMPARE(rows.index(0, 0).data(Qt::BackgroundRole).value<QColor>(), tint);
    QVERIFY(rows.index(0, 0).data(Qt::ToolTipRole).toString().contains(QLatin1String("rule 1")));
    QVERIFY(rows.index(1, 0).data(Qt::BackgroundRole).value<QColor>() != tint);
    QVERIFY(rig.views->tints(workerTab)->marked(rig.calls));
    QCOMPARE(rig.calls->palette().color(QPalette::Base), tint);
    QVERIFY(FullTextToolTips::note(rig.calls).contains(QLatin1String("(\"busy\")")));
    QVERIFY(!rig.tabs->tabIcon(workerTab).isNull());
    QCOMPARE(rig.label->text(), QString("1 breach"));

    // A failed query: the breach is the last good query's, and the label says so.
    rig.model.reply.error_code = 3;
    rig.query({});
    QCOMPARE(rig.label->text(), QString("1 breach (worker: last good query)"));
    rig.model.reply.error_code = 0;

    // Cleared: the marks go, the box takes back its change tint.
    rig.query({workerLike(7, 2, 20, "seven"), workerLike(8, 2, 1, "eight")});
    QVERIFY(!rows.index(0, 0).data(Qt::BackgroundRole).isValid() ||
            rows.index(0, 0).data(Qt::BackgroundRole).value<QColor>() != tint);
    QVERIFY(!rig.views->tints(workerTab)->marked(rig.calls));
    QCOMPARE(rig.calls->palette().color(QPalette::Base), changedTint());
    QVERIFY(rig.tabs->tabIcon(workerTab).isNull());
}

QTEST_MAIN(TestThresholdViews)
#include "tst_threshold_views.moc"
