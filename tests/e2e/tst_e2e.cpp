// End to end: the main window's start through the real tarnvel and OSTRANE, against the
// demo broker and against scenario files. The stand-in encodes replies with its own
// tables, so these runs cross-check two readings of every layout.

#include "client_server/client_server_page.h"
#include "conversation/conversation_page.h"
#include "known_brokers.h"
#include "main_window/broker_panel.h"
#include "main_window/frm_main.h"
#include "recording_presenter.h"
#include "tarnvel_binding.h"
#include "temp_workdir.h"
#include "text_list.h"
#include "thresholds/breach_views.h"
#include "views/operator_views.h"
#include "views/query_bar.h"
#include "views/table_window.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QProcess>
#include <QPushButton>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QTest>

#include <sys/stat.h>
#include <unistd.h>

using namespace morvain;
using namespace morvain::test;

namespace
{

QString text(QWidget &w, const char *name)
{
    if (auto *edit = w.findChild<QLineEdit *>(name))
        return edit->text();
    if (auto *label = w.findChild<QLabel *>(name))
        return label->text();
    if (auto *combo = w.findChild<QComboBox *>(name))
        return combo->currentText();
    if (auto *list = w.findChild<TextList *>(name))
        return list->text(list->currentRow());
    return QStringLiteral("<no %1>").arg(name);
}

QStringList entries(QWidget &w, const char *name)
{
    QStringList out;
    if (auto *combo = w.findChild<QComboBox *>(name))
        for (int i = 0; i < combo->count(); ++i)
            out << combo->itemText(i);
    if (auto *list = w.findChild<TextList *>(name))
        out << list->entries();
    return out;
}

const char *const queryButtons[] = {"cmdCall_Broker", "cmdCall_worker", "cmdCall_Service",
                                    "cmdCall_ClientServer", "cmdCall_Conversation"};

} // namespace

class TestEndToEnd : public QObject
{
    Q_OBJECT
    TarnvelBinding m_broker{QFileInfo(TARNVEL_FILE).absolutePath()};

private slots:
    void initTestCase() { qputenv("OSTRANE_SCENARIO_DIR", SCENARIO_DIR); }
    void demoBroker_fillsEveryTab();
    void scenario_showsEveryValueAsScripted();
    void emptyBroker_keepsTheProgramRunning();
    void refreshAfterTheLastConversationEnded_listsNone();
    void thousandAndFirstWorker_endsTheProgram();
    void failedAndCutQueries_saySoOnEveryTab();
    void refusedBrokerId_failsInTheWindowAndEveryOutput_data();
    void refusedBrokerId_failsInTheWindowAndEveryOutput();
    void settingsFileNoSmallRegularFile_neverHangsTheStart_data();
    void settingsFileNoSmallRegularFile_neverHangsTheStart();
    void pickedBroker_isAskedByTheNextQuery_data();
    void pickedBroker_isAskedByTheNextQuery();
};

void TestEndToEnd::demoBroker_fillsEveryTab()
{
    TempWorkdir dir; // no Broker.cfg: blank identity, the demo broker
    RecordingPresenter boxes;
    FrmMain w(m_broker);
    w.Form_Load();
    QVERIFY2(boxes.shown.isEmpty(), qPrintable(boxes.texts().join('|')));
    QVERIFY(!text(w, "lblPlatform").trimmed().isEmpty());
    QVERIFY(entries(w, "comWorker_id").size() >= 6);
    QCOMPARE(text(w, "comWorker_id"), entries(w, "comWorker_id").first());
    QVERIFY(!text(w, "txtworker_stat").isEmpty());
    QVERIFY(entries(w, "lstServer_class").size() >= 3);
    QCOMPARE(text(w, "lstServer_class"), entries(w, "lstServer_class").first());
    QCOMPARE(text(w, "lstServer_name"), entries(w, "lstServer_name").first());
    QCOMPARE(text(w, "lstService"), entries(w, "lstService").first());
    QVERIFY(entries(w, "comUser_ID").size() >= 8);
    QCOMPARE(text(w, "comUser_ID"), entries(w, "comUser_ID").first());
    QVERIFY(!text(w, "txtchar_set").isEmpty());
    QVERIFY(entries(w, "comConv_id").size() >= 6);
    QCOMPARE(text(w, "comConv_id"), entries(w, "comConv_id").first());
    QVERIFY(!text(w, "txtClient_user_id").trimmed().isEmpty());
    for (const char *button : queryButtons)
        QCOMPARE(w.findChild<QPushButton *>(button)->text(), QString("Refresh"));
    QVERIFY(!text(w, "stbMessage_panel2").isEmpty());

    // Run time advances between queries.
    const QString before = text(w, "lblsec") + text(w, "lblmin");
    QTest::qWait(1100);
    w.findChild<QPushButton *>("cmdCall_Broker")->click();
    QVERIFY(text(w, "lblsec") + text(w, "lblmin") != before);
}

void TestEndToEnd::scenario_showsEveryValueAsScripted()
{
    TempWorkdir dir;
    useBroker("basic");
    RecordingPresenter boxes;
    FrmMain w(m_broker);
    w.Form_Load();
    QVERIFY2(boxes.shown.isEmpty(), qPrintable(boxes.texts().join('|')));
    QCOMPARE(text(w, "lblPlatform"), QString("TESTPLAT"));
    QCOMPARE(text(w, "lblhour") + text(w, "lblmin") + text(w, "lblsec"), QString("125"));
    QCOMPARE(text(w, "txtconv_high"), QString("18"));
    QCOMPARE(text(w, "txttrace_level"), QString("-2"));
    QCOMPARE(entries(w, "comWorker_id"), (QStringList{"11", "12", "-1"}));
    QCOMPARE(text(w, "txtworker_stat"), QString("Active"));
    QCOMPARE(entries(w, "lstServer_class"), (QStringList{"ACCT", "STOCK"}));
    // LEDGER carries services of both classes; the class is not compared at this level.
    QCOMPARE(entries(w, "lstService"),
             (QStringList{"POST", "BALANCE", "VALUATION-OF-ALL-ITEMS-IN-STOCK"}));
    QCOMPARE(text(w, "txttrans"), QString("TR8CHARS"));
    QCOMPARE(text(w, "txtreq_sum"), QString("-42"));
    QCOMPARE(entries(w, "comUser_ID"), (QStringList{QString::fromUtf8("Müller"), "CLIENT2"}));
    QCOMPARE(text(w, "txtchar_set"), QString("-1"));
    QCOMPARE(text(w, "txtendian"), QString("Big endian"));
    QCOMPARE(text(w, "txtstatus"), QString("Waiting"));
    QCOMPARE(text(w, "txtwait_new"), QString("-25536"));
    QCOMPARE(text(w, "txttoken"), QString("TK1").leftJustified(32, ' '));
    QCOMPARE(entries(w, "comConv_id"),
             (QStringList{"CONV-A", "CONV-B", QString::fromLatin1("CONV\0C", 6)}));
    QCOMPARE(text(w, "txtConv_type"), QString("Conversational"));
    QCOMPARE(text(w, "txtLast_active_conv"), QString("-5"));
    QCOMPARE(text(w, "txtService"), QString("POST").leftJustified(32, ' '));
}

void TestEndToEnd::emptyBroker_keepsTheProgramRunning()
{
    TempWorkdir dir;
    useBroker("empty");
    RecordingPresenter boxes;
    FrmMain w(m_broker);
    w.Form_Load(); // ends the program if it fails: ProgramEnded would escape here
    QCOMPARE(boxes.texts(), QStringList{"EOC true!!!"});
    QCOMPARE(boxes.endings, 0);
    for (const char *button : queryButtons)
        QCOMPARE(w.findChild<QPushButton *>(button)->text(), QString("Refresh"));
    QVERIFY(w.findChild<QPushButton *>("cmdShow_headerCO")->isEnabled());
    QCOMPARE(entries(w, "lstServer_class"), QStringList());
    QCOMPARE(entries(w, "comUser_ID"), QStringList());
    QCOMPARE(entries(w, "comConv_id"), QStringList());
}

void TestEndToEnd::refreshAfterTheLastConversationEnded_listsNone()
{
    TempWorkdir dir;
    useBroker("changing");
    qputenv("OSTRANE_SCENARIO_DIR", dir.path().toLocal8Bit());
    const auto scenario = [](const QByteArray &conversations) {
        QFile f("changing.json");
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write("{ \"conversations\": [" + conversations + "] }");
    };
    scenario("{ \"conversation_id\": \"LAST-ONE\" }");
    RecordingPresenter boxes;
    FrmMain w(m_broker);
    w.Form_Load();
    QCOMPARE(entries(w, "comConv_id"), QStringList{"LAST-ONE"});

    scenario("");
    w.findChild<QPushButton *>("cmdCall_Conversation")->click();
    QCOMPARE(entries(w, "comConv_id"), QStringList());
    qputenv("OSTRANE_SCENARIO_DIR", SCENARIO_DIR);
}

void TestEndToEnd::thousandAndFirstWorker_endsTheProgram()
{
    TempWorkdir dir;
    useBroker("many");
    RecordingPresenter boxes;
    FrmMain w(m_broker);
    QVERIFY_THROWS_EXCEPTION(ProgramEnded, w.Form_Load());
    QCOMPARE(
        boxes.texts(),
        QStringList{"Error no. 9 has occured...Probable cause: Net-work not started...exiting"});
    QCOMPARE(w.findChild<QPushButton *>("cmdCall_Broker")->text(), QString("Refresh"));
    QCOMPARE(w.findChild<QPushButton *>("cmdCall_worker")->text(), QString("Call Broker"));
}

// The scenario's worker list says 1500 in all, its service query fails with error code 5:
// the real client library's replies reach the tabs' bars and the table windows.
void TestEndToEnd::failedAndCutQueries_saySoOnEveryTab()
{
    TempWorkdir dir;
    useBroker("failed_cut");
    RecordingPresenter boxes;
    FrmMain w(m_broker);
    w.Form_Load();
    QCOMPARE(w.queryBar(1).text(),
             QString("Showing 2 of 1500 workers: the broker holds more than it sent."));
    QCOMPARE(w.views().openTable(1)->bar().text(), w.queryBar(1).text());
    QVERIFY2(w.queryBar(2).failed() && w.queryBar(2).text().contains("(error 5: ") &&
                 w.queryBar(2).text().contains("\"Service table locked\". No data yet."),
             qPrintable(w.queryBar(2).text()));
    for (int tab : {0, 3, 4})
        QVERIFY2(w.queryBar(tab).text().isEmpty(), qPrintable(w.queryBar(tab).text()));
}

void TestEndToEnd::refusedBrokerId_failsInTheWindowAndEveryOutput_data()
{
    QTest::addColumn<QByteArray>("brokerId");
    QTest::addColumn<int>("errorCode");
    QByteArray noise(32, '\0');
    QRandomGenerator random(20261209);
    for (char &c : noise)
        c = char(random.bounded(1, 256)); // a blank or zero first would only shorten it
    noise[0] = '\x01';
    QTest::newRow("unknown") << QByteArray("nosuchscenario") << 8;
    QTest::newRow("a path") << QByteArray("../../etc/passwd") << 9;
    QTest::newRow("random bytes") << noise << 9;
    QTest::newRow("malformed scenario") << QByteArray("malformed") << 10;
    QTest::newRow("misspelt field") << QByteArray("bad_field") << 10;
}

// A broker ID that names nothing must never read as a healthy, empty broker: not in the
// window, the JSON, the Prometheus text nor the check.
void TestEndToEnd::refusedBrokerId_failsInTheWindowAndEveryOutput()
{
    QFETCH(QByteArray, brokerId);
    QFETCH(int, errorCode);
    TempWorkdir dir;
    useBroker(brokerId);
    const QString code = QStringLiteral("(error %1: ").arg(errorCode);
    {
        RecordingPresenter boxes;
        FrmMain w(m_broker);
        w.Form_Load();
        for (int tab = 0; tab < 5; ++tab)
            QVERIFY2(w.queryBar(tab).failed() && w.queryBar(tab).text().contains(code),
                     qPrintable(w.queryBar(tab).text()));
    }

    const auto snapshot = [](const QStringList &args, int *exitCode = nullptr) {
        QProcess p;
        p.start(QStringLiteral(SNAPSHOT_FILE), args);
        if (!p.waitForFinished(20000))
            p.kill();
        if (exitCode)
            *exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
        return p.readAllStandardOutput();
    };
    const QJsonArray kinds = QJsonDocument::fromJson(snapshot({})).object()["kinds"].toArray();
    QCOMPARE(kinds.size(), 5);
    for (const QJsonValue kind : kinds) {
        QCOMPARE(kind["ok"].toBool(true), false);
        QCOMPARE(kind["error_code"].toInt(), errorCode);
    }
    const QString metrics = QString::fromUtf8(snapshot({"--format", "prometheus"}));
    static const QRegularExpression up(QStringLiteral("^morvain_up\\{.*\\} (\\d)$"),
                                       QRegularExpression::MultilineOption);
    int ups = 0;
    for (auto it = up.globalMatch(metrics); it.hasNext(); ++ups)
        QCOMPARE(it.next().captured(1), QString("0"));
    QCOMPARE(ups, 5);

    QFile rules("rules.json");
    QVERIFY(rules.open(QIODevice::WriteOnly));
    rules.write(R"({"rules": [{"kind": "service", "field": "short_act", "comparison": ">",
                  "value": 1000, "severity": "critical"}]})");
    rules.close();
    int exitCode = 0;
    const QString line =
        QString::fromUtf8(snapshot({"--check", "--thresholds", "rules.json"}, &exitCode));
    QVERIFY2(exitCode == 3 || exitCode == 2, qPrintable(line));
    QVERIFY2(line.startsWith("MORVAIN UNKNOWN") || line.startsWith("MORVAIN CRITICAL"),
             qPrintable(line));
}

void TestEndToEnd::settingsFileNoSmallRegularFile_neverHangsTheStart_data()
{
    QTest::addColumn<QString>("file"); // in the configuration folder's morvain/
    QTest::addColumn<QString>("make");
    QTest::addColumn<QString>("breaches"); // the status bar's rules label
    QTest::newRow("rules file a FIFO") << "thresholds.json"
                                       << "fifo"
                                       << "Rules file unusable";
    QTest::newRow("rules file of 5 MiB") << "thresholds.json"
                                         << "large"
                                         << "Rules file unusable";
    QTest::newRow("rules file a link to a device") << "thresholds.json"
                                                   << "device"
                                                   << "Rules file unusable";
    QTest::newRow("settings a FIFO") << "morvain.conf"
                                     << "fifo"
                                     << "";
    QTest::newRow("settings a link to a device") << "morvain.conf"
                                                 << "device"
                                                 << "";
}

// A FIFO waits for a writer for ever and a device may never end: the window starts anyway,
// says the rules file is unusable, and writes nothing into either.
void TestEndToEnd::settingsFileNoSmallRegularFile_neverHangsTheStart()
{
    QFETCH(QString, file);
    QFETCH(QString, make);
    QFETCH(QString, breaches);
    TempWorkdir dir;
    QVERIFY(QDir().mkpath("config/morvain"));
    const QByteArray path = QFile::encodeName(dir.file("config/morvain/" + file));
    if (make == "fifo")
        QCOMPARE(::mkfifo(path.constData(), 0600), 0);
    else if (make == "device")
        QCOMPARE(::symlink("/dev/zero", path.constData()), 0);
    else
        QVERIFY(QFile(path).open(QIODevice::WriteOnly) &&
                QFile::resize(QFile::decodeName(path), 5 << 20)); // sparse, too large
    const QByteArray before = qgetenv("XDG_CONFIG_HOME");
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(dir.file("config")));
    const auto restore = qScopeGuard([&before] { qputenv("XDG_CONFIG_HOME", before); });
    RecordingPresenter boxes;
    FrmMain w(m_broker);
    w.Form_Load();
    QVERIFY2(boxes.shown.isEmpty(), qPrintable(boxes.texts().join('|')));
    QVERIFY(entries(w, "lstServer_class").size() >= 3);
    auto *label = w.findChild<BreachLabel *>();
    QVERIFY(label);
    QCOMPARE(label->isVisibleTo(&w) ? label->text() : QString(), breaches);
    w.findChild<QPushButton *>("cmdCall_Service")->click(); // judged again, still unusable
    struct stat st {
    };
    QCOMPARE(::lstat(path.constData(), &st), 0); // nothing was written in its place
    QVERIFY(make == "fifo"     ? S_ISFIFO(st.st_mode)
            : make == "device" ? S_ISLNK(st.st_mode)
                               : st.st_size == 5 << 20);
}

void TestEndToEnd::pickedBroker_isAskedByTheNextQuery_data()
{
    QTest::addColumn<bool>("fromPanel"); // the third panel's menu, else Configure's list
    QTest::newRow("Configure's list, then Save") << false;
    QTest::newRow("the third panel's menu") << true;
}

// Both lists offer the broker list's names, then the scenarios'; the pick is written to
// "Broker.cfg" and the next query asks the picked broker.
void TestEndToEnd::pickedBroker_isAskedByTheNextQuery()
{
    QFETCH(bool, fromPanel);
    TempWorkdir dir; // no Broker.cfg: the demo broker
    QFile list("brokers.json");
    QVERIFY(list.open(QIODevice::WriteOnly));
    list.write("{\n  // a comment, as the list allows\n  \"prod-01\": {\"url\": "
               "\"http://127.0.0.1:9\", \"password\": \"not shown\"}\n}\n");
    list.close();
    const QByteArray before = qgetenv("OSTRANE_BROKERS");
    qputenv("OSTRANE_BROKERS", QFile::encodeName(dir.file("brokers.json")));
    const auto restore = qScopeGuard([&before] { qputenv("OSTRANE_BROKERS", before); });
    RecordingPresenter boxes;
    FrmMain w(m_broker);
    w.Form_Load();
    QVERIFY(entries(w, "lstServer_class").size() >= 3); // the demo's
    if (fromPanel) {
        QMenu *menu = w.findChild<BrokerPanel *>()->pickMenu(
            knownBrokerNames(brokerListFile(), scenarioFolder()));
        QStringList items;
        for (QAction *a : menu->actions())
            items << a->text();
        QCOMPARE(items.mid(0, 3), (QStringList{"built-in demo broker", "prod-01", "bad_field"}));
        QVERIFY(items.contains("basic") && !items.join(' ').contains("not shown"));
        menu->actions().at(items.indexOf("basic"))->trigger();
    } else {
        w.mnuConfigure_Click();
        auto *known = w.configDialog()->findChild<QComboBox *>("cboKnownBrokers");
        QCOMPARE(known->itemText(2), QString("prod-01"));
        const int basic = known->findText("basic");
        QVERIFY(basic > 2);
        known->setCurrentIndex(basic);
        emit known->activated(basic);
        QCOMPARE(w.configDialog()->findChild<QLineEdit *>("txtBroker_id")->text(), "basic");
        w.configDialog()->cmdSave_Click();
    }
    QFile saved("Broker.cfg");
    QVERIFY(saved.open(QIODevice::ReadOnly));
    QCOMPARE(saved.readAll().mid(32, 32).trimmed(), QByteArray("basic"));
    w.findChild<QPushButton *>("cmdCall_Service")->click();
    QCOMPARE(entries(w, "lstServer_class"), (QStringList{"ACCT", "STOCK"}));
}

QTEST_MAIN(TestEndToEnd)
#include "tst_e2e.moc"
