// The "Worker Object" tab driven through its handlers against a scripted Broker.

#include "broker_object/broker_object_page.h"
#include "fake_entry_point.h"
#include "header/frm_header.h"
#include "page_rig.h"
#include "query_failure.h"
#include "recording_presenter.h"
#include "recording_view.h"
#include "test_header_host.h"
#include "worker/worker_page.h"

#include <QApplication>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

#include <algorithm>

using namespace morvain;

namespace
{

struct Worker {
    qint16 id;
    qint16 status;
    qint32 calls;
    qint32 idle;
};

using test::raw;

QByteArray workerBytes(const Worker &w)
{
    WorkerReply r;
    r.setInt16<"worker_id">(w.id);
    r.setInt16<"worker_status">(w.status);
    r.setInt32<"call_sum">(w.calls);
    r.setInt32<"idle_sum">(w.idle);
    return raw(r);
}

// The cycle's messages for the header dialog go where the main window sends them.
struct Rig : test::PageRig<WorkerModel, WorkerPage, test::HeaderForwardingView> {

    // One query's workers, then the closing "0003".
    void answer(const QList<Worker> &workers)
    {
        fake.restart();
        test::scriptConversation(fake, int(workers.size()),
                                 [&workers](int i) { return workerBytes(workers[i]); });
    }
    QComboBox *ids() const { return find<QComboBox>("comWorker_id"); }
    QLineEdit *box(const char *name) const { return find<QLineEdit>(name); }
    QStringList shown() const
    {
        return {box("txtworker_stat")->text(), box("txtcall_sum")->text(),
                box("txtidle_sum")->text()};
    }
    QStringList listed() const
    {
        QStringList out;
        for (int i = 0; i < ids()->count(); ++i)
            out << ids()->itemText(i);
        return out;
    }
};

} // namespace

class TestWorkerPage : public QObject
{
    Q_OBJECT
private slots:
    void cleanup();

    // The record and the tab before any query
    void reply_fieldsFollowTheLayout();
    void captionsAndStartState();

    // Decoding and display
    void status_decodedFromTheStoredWorker_data();
    void status_decodedFromTheStoredWorker();
    void status_typedTextDecodedTheSameWay_data();
    void status_typedTextDecodedTheSameWay();
    void equalIds_eachEntryShowsItsOwnSlot_data();
    void equalIds_eachEntryShowsItsOwnSlot();
    void selection_runsTheDisplayOncePerSelection();
    void typedId_selectsNothingAndShowsNothing();

    // The query
    void refresh_emptiesBeforeTheCall_thenShowsTheFirstNewWorker();
    void thousandWorkers_areStoredAndListed();
    void thousandAndFirstWorker_endsTheProgramBeforeTheLaterSteps();
    void errorText_reachesStatusBarAndHeaderDialog();

    // The header
    void showHeader_brokerThenWorker_oneDialogWithTheSecondHeader();
};

void TestWorkerPage::cleanup()
{
    test::verifyNoWindowLeftOpen();
}

void TestWorkerPage::reply_fieldsFollowTheLayout()
{
    QCOMPARE(WorkerReply::size, 44);
    QStringList layout;
    for (const wire::Field &f : WorkerReply::fields)
        layout << QString("%1@%2+%3").arg(QLatin1StringView(f.name)).arg(f.offset).arg(f.width);
    QCOMPARE(layout.mid(7), (QStringList{"max_tk_len@28+4", "worker_id@32+2", "worker_status@34+2",
                                         "call_sum@36+4", "idle_sum@40+4"}));
    QVERIFY(WorkerReply::fields[8].encoding == wire::Encoding::Int16);
    QVERIFY(WorkerReply::fields[9].encoding == wire::Encoding::Int16);
}

void TestWorkerPage::captionsAndStartState()
{
    Rig rig;
    QStringList captions; // text, then the title of the frame holding it
    for (const char *name : {"lblcap_worker_id", "lblcap_worker_stat", "lblcap_call_sum",
                             "lblcap_idle_sum", "lblseconds"}) {
        auto *label = rig.find<QLabel>(name);
        captions << label->text() << qobject_cast<QGroupBox *>(label->parentWidget())->title();
    }
    QCOMPARE(captions, (QStringList{"Worker ID:", "Select Worker ID", "Worker status:", "",
                                    "Sum of calls per worker:", "",
                                    "Sum of idle time per worker:", "", "seconds", ""}));
    for (const char *name : {"lblcap_worker_stat", "lblcap_call_sum", "lblcap_idle_sum"})
        QVERIFY(rig.find<QLabel>(name)->alignment() & Qt::AlignRight);

    QCOMPARE(rig.find<QPushButton>("cmdCall_worker")->text(), QString("Call Broker"));
    QCOMPARE(rig.find<QPushButton>("cmdShow_headerw")->text(), QString("Show Header"));
    QVERIFY(!rig.find("cmdShow_headerw")->isEnabled());
    QVERIFY(rig.ids()->isEditable());
    QCOMPARE(rig.ids()->insertPolicy(), QComboBox::NoInsert);
    QCOMPARE(rig.ids()->count(), 0);
    QCOMPARE(rig.shown(), (QStringList{"", "", ""}));
}

void TestWorkerPage::status_decodedFromTheStoredWorker_data()
{
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("shown");
    QTest::newRow("2") << 2 << "Active";
    QTest::newRow("4") << 4 << "Started";
    QTest::newRow("5") << 5 << "Waiting";
    QTest::newRow("0") << 0 << "0";
    QTest::newRow("1") << 1 << "1";
    QTest::newRow("3") << 3 << "3";
    QTest::newRow("6") << 6 << "6";
    QTest::newRow("-1") << -1 << "-1";
}

void TestWorkerPage::status_decodedFromTheStoredWorker()
{
    QFETCH(int, status);
    QFETCH(QString, shown);
    Rig rig;
    rig.answer({{7, qint16(status), -20, 3725}});
    rig.page.cmdCall_worker_Click();
    QCOMPARE(rig.shown(), (QStringList{shown, "-20", "3725"}));
}

void TestWorkerPage::status_typedTextDecodedTheSameWay_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("shown");
    QTest::newRow("4") << "4"
                       << "Started";
    QTest::newRow("2") << "2"
                       << "Active";
    QTest::newRow("5") << "5"
                       << "Waiting";
    QTest::newRow("other code") << "7"
                                << "7";
    QTest::newRow("blank before 4") << " 4"
                                    << " 4";
    QTest::newRow("blank before 2") << " 2"
                                    << " 2";
}

void TestWorkerPage::status_typedTextDecodedTheSameWay()
{
    QFETCH(QString, typed);
    QFETCH(QString, shown);
    Rig rig;
    QTest::keyClicks(rig.box("txtworker_stat"), typed);
    QCOMPARE(rig.box("txtworker_stat")->text(), shown);
}

void TestWorkerPage::equalIds_eachEntryShowsItsOwnSlot_data()
{
    QTest::addColumn<int>("position");
    QTest::addColumn<QStringList>("shown");
    QTest::newRow("first 7") << 0 << QStringList{"Active", "10", "100"};
    QTest::newRow("second 7") << 1 << QStringList{"Started", "20", "3725"};
    QTest::newRow("3") << 2 << QStringList{"9", "-30", "0"};
}

void TestWorkerPage::equalIds_eachEntryShowsItsOwnSlot()
{
    QFETCH(int, position);
    QFETCH(QStringList, shown);
    Rig rig;
    rig.answer({{7, 2, 10, 100}, {7, 4, 20, 3725}, {3, 9, -30, 0}});
    rig.page.cmdCall_worker_Click();
    QCOMPARE(rig.listed(), (QStringList{"7", "7", "3"}));
    QCOMPARE(rig.page.table().count(), 3);

    for (int i = 0; i < position; ++i)
        QTest::keyClick(rig.ids(), Qt::Key_Down); // the user moves down the list
    QCOMPARE(rig.ids()->currentIndex(), position);
    QCOMPARE(rig.shown(), shown);
}

void TestWorkerPage::selection_runsTheDisplayOncePerSelection()
{
    // GIVEN workers whose status codes all decode, so one display is exactly two changes
    // of the status box (the code, then its word) and a second display would add two more
    Rig rig;
    rig.answer({{1, 2, 1, 1}, {2, 4, 2, 2}, {3, 5, 3, 3}});
    QSignalSpy changes(rig.box("txtworker_stat"), &QLineEdit::textChanged);

    // WHEN the query selects the first worker THEN it is shown once
    rig.page.cmdCall_worker_Click();
    QCOMPARE(changes.count(), 2);
    QCOMPARE(rig.shown().first(), QString("Active"));

    // WHEN the user picks the next entries THEN each is shown once
    for (const char *word : {"Started", "Waiting"}) {
        changes.clear();
        QTest::keyClick(rig.ids(), Qt::Key_Down);
        QCOMPARE(changes.count(), 2);
        QCOMPARE(rig.shown().first(), QString(word));
    }

    // WHEN the user picks an entry from the list THEN it is shown once
    changes.clear();
    rig.ids()->setCurrentIndex(0);
    QCOMPARE(changes.count(), 0); // changing the index alone is not a pick
    emit rig.ids()->activated(0);
    QCOMPARE(changes.count(), 2);
    QCOMPARE(rig.shown().first(), QString("Active"));
}

void TestWorkerPage::typedId_selectsNothingAndShowsNothing()
{
    Rig rig;
    rig.answer({{7, 2, 10, 100}, {12, 4, 20, 200}});
    rig.page.cmdCall_worker_Click();
    QSignalSpy calls(rig.box("txtcall_sum"), &QLineEdit::textChanged);

    QLineEdit *edit = rig.ids()->lineEdit();
    edit->clear();
    QTest::keyClicks(edit, "12");
    QTest::keyClick(edit, Qt::Key_Return);

    QCOMPARE(edit->text(), QString("12"));
    QCOMPARE(rig.ids()->currentIndex(), 0);
    QCOMPARE(calls.count(), 0);
    QCOMPARE(rig.shown(), (QStringList{"Active", "10", "100"}));
}

void TestWorkerPage::refresh_emptiesBeforeTheCall_thenShowsTheFirstNewWorker()
{
    Rig rig;
    rig.answer({{5, 2, 11, 111}, {6, 4, 22, 222}});
    rig.page.cmdCall_worker_Click();
    QTest::keyClick(rig.ids(), Qt::Key_Down);
    QCOMPARE(rig.shown(), (QStringList{"Started", "22", "222"}));

    rig.answer({{8, 5, 33, 333}});
    int listedDuringCall = -1;
    QString editDuringCall;
    QStringList shownDuringCall;
    rig.fake.script[0].extra = [&](auto...) {
        listedDuringCall = rig.ids()->count();
        editDuringCall = rig.ids()->currentText();
        shownDuringCall = rig.shown();
    };
    QTest::mouseClick(rig.find("cmdCall_worker"), Qt::LeftButton);

    QCOMPARE(listedDuringCall, 0);
    QCOMPARE(editDuringCall, QString());
    QCOMPARE(shownDuringCall, (QStringList{"", "", ""}));
    QCOMPARE(rig.listed(), QStringList{"8"});
    QCOMPARE(rig.ids()->currentIndex(), 0);
    QCOMPARE(rig.shown(), (QStringList{"Waiting", "33", "333"}));
    QCOMPARE(rig.page.table().count(), 1);
    QCOMPARE(rig.page.table().slot(2).int16<"worker_id">(), 0); // the old second is gone
    QCOMPARE(rig.find<QPushButton>("cmdCall_worker")->text(), QString("Refresh"));
    QVERIFY(rig.find("cmdShow_headerw")->isEnabled());
}

void TestWorkerPage::thousandWorkers_areStoredAndListed()
{
    Rig rig;
    QList<Worker> workers;
    for (int i = 1; i <= 1000; ++i)
        workers.append({qint16(i), 2, i, i});
    rig.answer(workers);
    rig.page.cmdCall_worker_Click();
    QCOMPARE(rig.page.table().count(), 1000);
    QCOMPARE(rig.ids()->count(), 1000);
    QCOMPARE(rig.ids()->itemText(999), QString("1000"));
    QVERIFY(rig.presenter.shown.isEmpty());
    QCOMPARE(rig.find<QPushButton>("cmdCall_worker")->text(), QString("Refresh"));
}

void TestWorkerPage::thousandAndFirstWorker_endsTheProgramBeforeTheLaterSteps()
{
    Rig rig;
    QList<Worker> workers;
    for (int i = 1; i <= 1001; ++i)
        workers.append({qint16(i), 2, i, i});
    rig.answer(workers);

    QVERIFY_THROWS_EXCEPTION(test::ProgramEnded, rig.page.cmdCall_worker_Click());
    QCOMPARE(rig.presenter.shown,
             (QList<QPair<QString, QString>>{
                 {"Morvain Service",
                  "Error no. 9 has occured...Probable cause: Net-work not started...exiting"}}));
    QCOMPARE(rig.presenter.endings, 1);
    QCOMPARE(rig.fake.sent.size(), 1001); // no call after the store that failed
    QCOMPARE(rig.ids()->count(), 0);      // never listed
    QCOMPARE(rig.find<QPushButton>("cmdCall_worker")->text(), QString("Call Broker"));
    QVERIFY(!rig.find("cmdShow_headerw")->isEnabled());
}

void TestWorkerPage::errorText_reachesStatusBarAndHeaderDialog()
{
    Rig rig;
    rig.answer({{1, 2, 1, 1}, {2, 2, 2, 2}});
    rig.fake.script[0].errorText = "OPENING";
    rig.fake.script[1].errorText = "FOLLOW-UP";
    rig.fake.script[2].errorText = "END OF WORKERS";
    rig.page.cmdCall_worker_Click();
    QCOMPARE(rig.view.status, QStringList{"END OF WORKERS"});
    QVERIFY(rig.host.dialog);
    QCOMPARE(rig.host.dialog->findChild<QLineEdit *>("txterror")->text(),
             QString("END OF WORKERS"));
    QVERIFY(!rig.host.dialog->isVisible()); // written, not shown
}

void TestWorkerPage::showHeader_brokerThenWorker_oneDialogWithTheSecondHeader()
{
    Rig rig;
    BrokerObjectModel brokerModel;
    BrokerObjectPage broker({rig.cycle, rig.host}, brokerModel);
    BrokerReply brokerReply;
    brokerReply.setInt32<"error_code">(-5);
    brokerReply.setInt32<"max_sc_len">(32);
    WorkerReply closing;
    closing.setInt32<"error_code">(-12);
    closing.setInt32<"total_num_objects">(1);
    rig.fake.script = {{"0000", {}, "BROKER TEXT", raw(brokerReply), {}, 0},
                       {"0000", test::convIdFor(1), {}, workerBytes({4, 2, 1, 1}), {}, 0},
                       {"0003", test::convIdFor(2), "WORKER TEXT", raw(closing), {}, 0}};
    broker.cmdCall_Broker_Click();
    rig.page.cmdCall_worker_Click();
    const auto header = [&rig](const char *name) {
        return rig.host.dialog->findChild<QLineEdit *>(name)->text();
    };

    QTest::mouseClick(broker.findChild<QPushButton *>("cmdShow_HeaderB"), Qt::LeftButton);
    QCOMPARE(header("txtHerror_code"), QString("-5"));
    QCOMPARE(header("txtHmax_sc_len"), QString("32"));
    QCOMPARE(header("txterror"), QString("WORKER TEXT"));

    QTest::mouseClick(rig.find("cmdShow_headerw"), Qt::LeftButton);
    QVERIFY(rig.host.dialog->isVisible());
    QCOMPARE(header("txtHerror_code"), QString("-12")); // the closing reply's header
    QCOMPARE(header("txtHtotal_num_objects"), QString("1"));
    QCOMPARE(header("txtHmax_sc_len"), QString("0"));
    QCOMPARE(header("txterror"), QString("WORKER TEXT"));
    test::verifyOneHeaderDialog();
    rig.host.dialog->cmdOK_Click();
}

QTEST_MAIN(TestWorkerPage)
#include "tst_worker_page.moc"
