// The main window: its captions, its start, the menu, and what the pages share through it.

#include "broker_object/broker_object_page.h"
#include "config/frm_config.h"
#include "fake_entry_point.h"
#include "header/frm_header.h"
#include "main_window/broker_panel.h"
#include "main_window/frm_main.h"
#include "recording_presenter.h"
#include "temp_workdir.h"
#include "worker/worker_page.h"

#include <QComboBox>
#include <QDateTime>
#include <QFile>

#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QStatusBar>
#include <QTabWidget>
#include <QTest>
#include <climits>

using namespace morvain;
using namespace morvain::test;

namespace
{

QAction *action(QWidget &w, const char *name)
{
    return w.findChild<QAction *>(name);
}

} // namespace

class TestMainWindow : public QObject
{
    Q_OBJECT
    RecordingPresenter m_boxes; // no real box may block a test; cases may install their own

private slots:
    void brokerPanel_saysWhatTheWindowWatches_data();
    void brokerPanel_saysWhatTheWindowWatches();
    void demoBroker_hintAndPanelAtStart();
    void valueBoxes_haveTheirLabelsName_data();
    void valueBoxes_haveTheirLabelsName();
    void cleanup();
    void captionsMenuTabsAndStatusBar();
    void start_runsFiveQueriesInPageOrderWithTheFilesIdentity();
    void start_withoutConfigFile_createsItAndSendsZeroIdentity();
    void start_failure_showsTheNumberAndEndsBeforeTheOtherQueries_data();
    void start_failure_showsTheNumberAndEndsBeforeTheOtherQueries();
    void configure_twiceShowsOneDialog_andSaveAppliesToTheNextQuery();
    void exit_endsTheProgramWithDialogsOpenOrHidden();
    void showHeader_onTwoTabsLeavesOneDialogWithTheSecondHeader();
    void brokerMessages_goThroughBoxesTitledBrokerMessage();
    void statusBar_showsTheBrokersTextAsPlainText();
    void failureText_hasABlankOrTheMinusSignBeforeTheNumber_data();
    void failureText_hasABlankOrTheMinusSignBeforeTheNumber();
};

void TestMainWindow::cleanup()
{
    m_boxes.shown.clear();
}

void TestMainWindow::captionsMenuTabsAndStatusBar()
{
    TempWorkdir dir;
    FakeEntryPoint fake;
    FrmMain w(fake);
    QCOMPARE(w.windowTitle(), QString("Morvain Services "));
    QCOMPARE(w.findChild<QMenu *>("mnuMenu")->title(), QString("&Menu"));
    QCOMPARE(action(w, "mnuConfigure")->text(), QString("&Configure"));
    QVERIFY(action(w, "mnusep")->isSeparator());
    QCOMPARE(action(w, "mnuExit")->text(), QString("E&xit"));
    QAction *about = action(w, "mnuAbout");
    QCOMPARE(about->text(), QString("A&bout"));
    QVERIFY(w.menuBar()->actions().contains(about)); // on the bar itself
    QVERIFY(!about->menu());

    auto *tabs = w.findChild<QTabWidget *>("SSTab1");
    QStringList captions;
    for (int i = 0; i < tabs->count(); ++i)
        captions << tabs->tabText(i);
    QCOMPARE(captions, (QStringList{"Broker Object", "Worker Object", "Service Object",
                                    "Client/Server", "Conv Object"}));
    QCOMPARE(tabs->currentIndex(), 0);
    QVERIFY(w.findChild<QStatusBar *>("stbMessage"));
    QCOMPARE(w.findChild<QLabel *>("stbMessage_panel1")->width(), 169);
    QCOMPARE(w.width(), 632);
    QCOMPARE(w.height() - w.menuBar()->sizeHint().height(), 434);
}

void TestMainWindow::start_runsFiveQueriesInPageOrderWithTheFilesIdentity()
{
    TempWorkdir dir;
    QByteArray cfg;
    for (const char *v : {"USER", "", "CLASS", "NAME", "SERVICE"})
        cfg += QByteArray(v).leftJustified(32, ' ');
    writeBrokerCfg(cfg);
    FakeEntryPoint fake;
    FrmMain w(fake);
    w.Form_Load();
    QCOMPARE(kindsSent(fake), (QList<int>{7, 8, 6, 1, 4}));
    const QByteArray cb = fake.sent[0].controlBlock;
    QCOMPARE(cb.mid(164, 32), QByteArray("USER").leftJustified(32, ' '));
    QCOMPARE(cb.mid(36, 32), QByteArray(32, ' '));
    QCOMPARE(cb.mid(68, 32), QByteArray("CLASS").leftJustified(32, ' '));
    QCOMPARE(cb.mid(100, 32), QByteArray("NAME").leftJustified(32, ' '));
    QCOMPARE(cb.mid(132, 32), QByteArray("SERVICE").leftJustified(32, ' '));
    QCOMPARE(w.findChild<QLabel *>("stbMessage_panel1")->text(), QString("Broker message"));
    QVERIFY(w.headerDialogLoaded());
    QVERIFY(!w.headerDialog().isVisible()); // created hidden by the message write
    QCOMPARE(w.headerDialog().findChild<QLabel *>("lblerror")->font().pointSize(),
             w.findChild<QLabel *>("stbMessage_panel1")->font().pointSize());
    QVERIFY(!w.isVisible()); // the splash shows it afterwards
}

void TestMainWindow::start_withoutConfigFile_createsItAndSendsZeroIdentity()
{
    TempWorkdir dir;
    FakeEntryPoint fake;
    FrmMain w(fake);
    w.Form_Load();
    QVERIFY(QFile::exists("Broker.cfg"));
    QCOMPARE(QFile("Broker.cfg").size(), 0);
    QCOMPARE(fake.sent.size(), 5);
    QCOMPARE(fake.sent[0].controlBlock.mid(36, 160), QByteArray(160, '\0'));
}

void TestMainWindow::start_failure_showsTheNumberAndEndsBeforeTheOtherQueries_data()
{
    QTest::addColumn<int>("failingCall");
    QTest::addColumn<int>("number");
    QTest::newRow("tarnvel missing") << 0 << 53;
    QTest::newRow("OSTRANE missing") << 0 << 48;
    QTest::newRow("entry point missing") << 0 << 453;
    QTest::newRow("in the worker query") << 1 << 5;
}

void TestMainWindow::start_failure_showsTheNumberAndEndsBeforeTheOtherQueries()
{
    QFETCH(int, failingCall);
    QFETCH(int, number);
    TempWorkdir dir;
    RecordingPresenter presenter;
    FakeEntryPoint fake;
    fake.generator = [&](int i) {
        ScriptedCall c;
        c.resultCode = "0003";
        if (i == failingCall)
            c.extra = [&](auto *, auto *, auto *, auto *) {
                throw QueryFailure(number, "cannot reach the broker");
            };
        return c;
    };
    FrmMain w(fake);
    QVERIFY_THROWS_EXCEPTION(ProgramEnded, w.Form_Load());
    QCOMPARE(fake.sent.size(), failingCall + 1);
    QCOMPARE(presenter.shown.size(), 1);
    QCOMPARE(presenter.shown[0].first, QString("Morvain Service"));
    QCOMPARE(presenter.shown[0].second,
             QString("Error no. %1 has occured...Probable cause: Net-work not started...exiting")
                 .arg(number));
    QVERIFY(!w.isVisible());
}

void TestMainWindow::configure_twiceShowsOneDialog_andSaveAppliesToTheNextQuery()
{
    TempWorkdir dir;
    FakeEntryPoint fake;
    FrmMain w(fake);
    w.Form_Load();
    action(w, "mnuConfigure")->trigger();
    FrmConfig *first = w.configDialog();
    QVERIFY(first && first->isVisible());
    action(w, "mnuConfigure")->trigger();
    QCOMPARE(w.configDialog(), first);
    QCOMPARE(w.findChildren<FrmConfig *>().size(), 1);
    QVERIFY(!first->isModal());

    first->findChild<QLineEdit *>("txtUser_id")->setText("NEWUSER");
    first->findChild<QPushButton *>("cmdSave")->click();
    first->findChild<QPushButton *>("cmdCancel")->click(); // now "Close"
    QVERIFY(!first->isVisible());

    fake.sent.clear();
    w.brokerPage().cmdCall_Broker_Click();
    QCOMPARE(fake.sent[0].controlBlock.mid(164, 32), QByteArray("NEWUSER").leftJustified(32, ' '));
    QCOMPARE(fake.sent[0].controlBlock.mid(36, 32), QByteArray(32, ' '));

    // Closed through its frame it is unloaded; the next Configure builds it afresh.
    action(w, "mnuConfigure")->trigger();
    w.configDialog()->close();
    QTRY_VERIFY(!w.configDialog());
    action(w, "mnuConfigure")->trigger();
    QCOMPARE(w.configDialog()->findChild<QPushButton *>("cmdCancel")->text(), QString("Cancel"));
}

void TestMainWindow::exit_endsTheProgramWithDialogsOpenOrHidden()
{
    TempWorkdir dir;
    RecordingPresenter presenter;
    FakeEntryPoint fake;
    FrmMain w(fake);
    w.Form_Load();
    action(w, "mnuConfigure")->trigger();
    w.headerDialog().show();
    w.configDialog()->hide();
    presenter.shown.clear();
    try {
        w.mnuExit_Click();
        QFAIL("Exit returned");
    } catch (const ProgramEnded &ended) {
        QCOMPARE(ended.status, 0);
    }
    QVERIFY(presenter.shown.isEmpty());
}

void TestMainWindow::showHeader_onTwoTabsLeavesOneDialogWithTheSecondHeader()
{
    TempWorkdir dir;
    FakeEntryPoint fake;
    const auto header = [](std::int32_t errorCode) {
        return [errorCode](auto *, auto *, std::uint8_t *rp, auto *) {
            std::memcpy(rp, &errorCode, 4);
        };
    };
    fake.script = {{"0000", "B", "broker text", {}, header(-12), 0},
                   {"0003", "W", "worker text", {}, header(7), 0}};
    FrmMain w(fake);
    w.Form_Load();
    w.brokerPage().cmdShow_HeaderB_Click();
    FrmHeader &dialog = w.headerDialog();
    QVERIFY(dialog.isVisible());
    QCOMPARE(dialog.findChild<QLineEdit *>("txtHerror_code")->text(), QString("-12"));
    QCOMPARE(dialog.findChild<QLineEdit *>("txterror")->text(), QString("worker text"));
    w.workerPage().cmdShow_headerw_Click();
    QCOMPARE(dialog.findChild<QLineEdit *>("txtHerror_code")->text(), QString("7"));
    QCOMPARE(dialog.findChild<QLineEdit *>("txterror")->text(), QString("worker text"));
    const QWidgetList topLevels = QApplication::topLevelWidgets();
    QCOMPARE(std::count_if(topLevels.begin(), topLevels.end(),
                           [](QWidget *tl) { return qobject_cast<FrmHeader *>(tl) != nullptr; }),
             1);
}

void TestMainWindow::brokerMessages_goThroughBoxesTitledBrokerMessage()
{
    TempWorkdir dir;
    RecordingPresenter presenter;
    FakeEntryPoint fake;
    fake.script = {{"0000", "B", {}, {}, {}, 0}, {"0002", "W", {}, {}, {}, 0}};
    FrmMain w(fake);
    w.Form_Load();
    QVERIFY(!presenter.shown.isEmpty());
    QCOMPARE(presenter.shown[0],
             qMakePair(QString("Broker Message"), QString("User does not exist!")));
}

void TestMainWindow::statusBar_showsTheBrokersTextAsPlainText()
{
    TempWorkdir dir;
    FakeEntryPoint fake;
    fake.script = {{"0000", "B", QByteArray("<b>bold</b>\0after the zero", 26), {}, {}, 0}};
    FrmMain w(fake);
    w.Form_Load();
    auto *panel = w.findChild<QLabel *>("stbMessage_panel2");
    QCOMPARE(panel->text(), QString("<b>bold</b>"));
    QCOMPARE(panel->textFormat(), Qt::PlainText);
}

void TestMainWindow::failureText_hasABlankOrTheMinusSignBeforeTheNumber_data()
{
    QTest::addColumn<int>("number");
    QTest::addColumn<QString>("start");
    QTest::newRow("53") << 53 << "Error no. 53 has";
    QTest::newRow("0") << 0 << "Error no. 0 has";
    QTest::newRow("-5") << -5 << "Error no.-5 has";
    QTest::newRow("lowest") << int(INT_MIN) << "Error no.-2147483648 has";
}

void TestMainWindow::failureText_hasABlankOrTheMinusSignBeforeTheNumber()
{
    QFETCH(int, number);
    QFETCH(QString, start);
    const QString text = dialogs::failureText(number);
    QVERIFY2(text.startsWith(start), qPrintable(text));
    QVERIFY(text.endsWith(" has occured...Probable cause: Net-work not started...exiting"));
}

void TestMainWindow::valueBoxes_haveTheirLabelsName_data()
{
    QTest::addColumn<QString>("form");
    for (const char *tab : {"sheet_0", "sheet_1", "sheet_2", "sheet_3", "sheet_4"})
        QTest::newRow(tab) << QString(tab);
    QTest::newRow("header dialog") << QString("FrmHeader");
}

// A screen reader speaks every value box by its label: none is left as "edit".
void TestMainWindow::valueBoxes_haveTheirLabelsName()
{
    QFETCH(QString, form);
    TempWorkdir dir;
    FakeEntryPoint fake;
    FrmMain w(fake);
    QWidget *root = form == "FrmHeader" ? static_cast<QWidget *>(&w.headerDialog())
                                        : w.findChild<QWidget *>(form);
    QVERIFY(root);
    QStringList unnamed;
    int boxes = 0;
    for (QWidget *box : root->findChildren<QWidget *>()) {
        if (!qobject_cast<QLineEdit *>(box) && !qobject_cast<QComboBox *>(box))
            continue;
        if (qobject_cast<QComboBox *>(box->parentWidget()))
            continue; // a combo box's own edit field: the combo box is named
        ++boxes;
        if (box->accessibleName().isEmpty())
            unnamed << box->objectName();
    }
    QVERIFY(boxes > 0);
    QVERIFY2(unnamed.isEmpty(), qPrintable(unnamed.join(", ")));
}

struct PanelCase {
    QString brokerId{};
    int interval = 0;
    int failed = 0;
    bool goodBefore = false;
    int held = 0;
    QString text{};
};
Q_DECLARE_METATYPE(PanelCase)

void TestMainWindow::brokerPanel_saysWhatTheWindowWatches_data()
{
    QTest::addColumn<PanelCase>("c");
    const QString pad(14, ' ');
    QTest::newRow("demo") << PanelCase{.brokerId = QString(32, ' '),
                                       .text = "built-in demo broker | auto refresh off"};
    QTest::newRow("named broker, running")
        << PanelCase{.brokerId = "prod-rabbit" + pad,
                     .interval = 10,
                     .goodBefore = true,
                     .text = "prod-rabbit | auto refresh every 10 s, last round 12:01:10"};
    QTest::newRow("a URL's password hidden")
        << PanelCase{.brokerId = "http://mon:s3cr/t@h:15672",
                     .text = "http://mon:***@h:15672 | auto refresh off"};
    QTest::newRow("an outage: failed, held, the last good round")
        << PanelCase{.brokerId = "prod-rabbit",
                     .interval = 10,
                     .failed = 5,
                     .goodBefore = true,
                     .held = 1,
                     .text = "prod-rabbit | auto refresh every 10 s, last round 12:01:10: 5 "
                             "queries failed, last good round 12:00:40, 1 message held"};
    QTest::newRow("failed from the start")
        << PanelCase{.brokerId = "prod-rabbit",
                     .interval = 5,
                     .failed = 1,
                     .text = "prod-rabbit | auto refresh every 5 s, last round 12:01:10: 1 query "
                             "failed, no good round yet"};
}

void TestMainWindow::brokerPanel_saysWhatTheWindowWatches()
{
    QFETCH(PanelCase, c);
    BrokerPanelState state;
    state.brokerId = c.brokerId;
    state.interval = c.interval;
    const QDateTime at(QDate(2026, 12, 8), QTime(12, 1, 10));
    if (c.interval > 0)
        state.lastRoundAt = at.toMSecsSinceEpoch();
    state.failedInLastRound = c.failed;
    if (c.goodBefore)
        state.lastGoodRoundAt = (c.failed ? at.addSecs(-30) : at).toMSecsSinceEpoch();
    state.heldInLastRound = c.held;
    QCOMPARE(brokerPanelText(state), c.text);
}

// The first start against the demo broker says so once, without a box; a set broker ID
// gets no hint. Either way the third panel names the broker.
void TestMainWindow::demoBroker_hintAndPanelAtStart()
{
    for (const QByteArray &id : {QByteArray(), QByteArray("basic")}) {
        TempWorkdir dir;
        QFile cfg("Broker.cfg");
        QVERIFY(cfg.open(QIODevice::WriteOnly));
        cfg.write(QByteArray(32, ' ') + id.leftJustified(32, ' ') + QByteArray(96, ' '));
        cfg.close();
        FakeEntryPoint fake;
        FrmMain w(fake);
        w.Form_Load();
        QCOMPARE(w.demoHint() != nullptr, id.isEmpty());
        QCOMPARE(w.brokerPanel().text(),
                 (id.isEmpty() ? QString("built-in demo broker") : QString(id)) +
                     " | auto refresh off");
        QVERIFY(m_boxes.shown.size() <= 1); // "EOC true!!!" of the empty service query only
        m_boxes.shown.clear();
    }
}

QTEST_MAIN(TestMainWindow)
#include "tst_main_window.moc"
