// The "Service Object" tab driven through its handlers against a scripted Broker, with the
// real "Conv Object" page taking the shown service's names.

#include "conversation/conversation_page.h"
#include "fake_entry_point.h"
#include "header/frm_header.h"
#include "page_rig.h"
#include "recording_presenter.h"
#include "recording_view.h"
#include "service/service_page.h"
#include "test_header_host.h"

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QtEndian>

using namespace morvain;

namespace
{

// Passes the shown service on to the conversation page and counts the displays.
struct CountingConversation : ServiceOfConversation {
    explicit CountingConversation(ConversationPage &page) : page(page) {}
    void showService(const QString &serverClass, const QString &serverName,
                     const QString &service) override
    {
        ++shown;
        page.showService(serverClass, serverName, service);
    }
    ConversationPage &page;
    int shown = 0;
};

struct Rig : test::CycleRig<> {
    ConversationModel conversationModel;
    ConversationPage conversation{context(), conversationModel};
    CountingConversation counting{conversation};
    ServiceModel model;
    ServicePage page{context(), model, counting};

    template <class W = QWidget> W *find(const QString &name) const
    {
        return test::control<W>(page, name);
    }
    QString text(const QString &name) const { return find<QLineEdit>(name)->text(); }
    QString convText(const char *name) const
    {
        return conversation.findChild<QLineEdit *>(name)->text();
    }
    TextList *list(const char *name) const { return find<TextList>(name); }
    QStringList entries(const char *name) const { return test::entries(list(name)); }
    void click(const char *listName, int row) const
    {
        TextList *l = list(listName);
        QTest::mouseClick(l->viewport(), Qt::LeftButton, {}, l->rowRect(row).center());
    }
};

using test::raw;
using test::scriptedCall;

// A service whose accumulated number of requests tells the slot it came from.
ServiceReply service(const QString &serverClass, const QString &name, const QString &service,
                     qint32 requests)
{
    ServiceReply r;
    r.setText<"server_class">(serverClass);
    r.setText<"server_name">(name);
    r.setText<"service">(service);
    r.setText<"translation">({});
    r.setInt32<"req_sum">(requests);
    return r;
}

// One reply per (class, name, service) triple, requests 1, 2, 3 ...; the closing call
// brings `closing` (requests 99), blank unless given. Replaces any earlier script.
void script(test::FakeEntryPoint &fake, const QList<QStringList> &services,
            const QStringList &closing = {"", "", ""})
{
    fake.restart();
    test::scriptConversation(
        fake, int(services.size()),
        [&](int i) {
            const QStringList &s = services.at(i);
            return raw(service(s.at(0), s.at(1), s.at(2), i + 1));
        },
        raw(service(closing.at(0), closing.at(1), closing.at(2), 99)));
}

} // namespace

class TestServicePage : public QObject
{
    Q_OBJECT
private slots:
    void cleanup();

    // The record
    void reply_fieldsAtTheirOffsets_data();
    void reply_fieldsAtTheirOffsets();

    // The tab before any query
    void captions_data();
    void captions();

    // The three lists
    void lists_builtFromStoredReplies_data();
    void lists_builtFromStoredReplies();
    void serviceOfOtherClass_leavesBoxesUnchanged();
    void equalServices_bothShowFirstSlot();
    void userPicks_runEachHandlerOnce();
    void clickOnSelected_runsItsHandlerOnce_data();
    void clickOnSelected_runsItsHandlerOnce();

    // The display
    void counters_shownAsDecimal_data();
    void counters_shownAsDecimal();
    void conversationBoxes_showChosenServiceUntrimmed();

    // Queries
    void tableLimit_thousandStored_thousandAndFirstEndsProgram_data();
    void tableLimit_thousandStored_thousandAndFirstEndsProgram();
    void refresh_emptiesClassListBeforeCall();
    void noServices_isOrdinary_emptyListsAndBoxes();
    void showHeader_showsLastReplysHeader();
};

void TestServicePage::cleanup()
{
    test::verifyNoWindowLeftOpen();
}

void TestServicePage::reply_fieldsAtTheirOffsets_data()
{
    test::addFieldRows({
        {"error_code", 0, 4},        {"max_tk_len", 28, 4},    {"server_class", 32, 32},
        {"server_name", 64, 32},     {"service", 96, 32},      {"translation", 128, 8},
        {"conv_nonact", 136, 4},     {"server_act", 140, 4},   {"conv_act", 144, 4},
        {"conv_high", 148, 4},       {"long_act", 152, 4},     {"long_high", 156, 4},
        {"short_act", 160, 4},       {"short_high", 164, 4},   {"wait_server", 168, 4},
        {"num_wait_server", 172, 4}, {"num_serv_occ", 176, 4}, {"num_pend", 180, 4},
        {"pend_high", 184, 4},       {"req_sum", 188, 4},
    });
}

void TestServicePage::reply_fieldsAtTheirOffsets()
{
    static_assert(ServiceReply::size == 192);
    test::compareFieldAtRow(layout::serviceReply);
}

void TestServicePage::captions_data()
{
    test::addCaptionRows({
        {"lblServer_classes", "Server classes:"},
        {"lblServer_names", "Server names:"},
        {"lblServices", "Services:"},
        {"fraServers", "Servers"},
        {"lblwait_server", "Total wait time:"},
        {"lblwait_server_unit", "seconds"},
        {"lblnum_wait_server", "Times client had to wait:"},
        {"lblnum_serv_occ", "Times server were occupied:"},
        {"fraConversations", "Conversations"},
        {"lblconv_nonact", "Timeout:"},
        {"lblconv_nonact_unit", "seconds"},
        {"lblpend_high", "Highest pending:"},
        {"lbltrans", "Translation routine:"},
        {"lblreq_sum", "Accumulated number of requests:"},
        {"fraShort_buffers", "Short Buffers"},
        {"fraLong_buffers", "Long Buffers"},
        {"lblSlong_high", "Highest active:"},
        {"cmdCall_Service", "Call Broker"},
        {"cmdShow_headerS", "Show Header"},
    });
}

void TestServicePage::captions()
{
    Rig rig;
    test::compareCaptionAtRow(rig.page, "cmdShow_headerS");
    for (const char *name : {"lstServer_class", "lstServer_name", "lstService"}) {
        QCOMPARE(rig.list(name)->selectionMode(), QAbstractItemView::SingleSelection);
        QVERIFY(!rig.list(name)->isSortingEnabled());
    }
}

void TestServicePage::lists_builtFromStoredReplies_data()
{
    QTest::addColumn<QList<QStringList>>("services");
    QTest::addColumn<QStringList>("closing");
    QTest::addColumn<QStringList>("classes");
    QTest::addColumn<QStringList>("names");     // of the first class
    QTest::addColumn<QStringList>("offered");   // services of the first name
    QTest::addColumn<QString>("shownRequests"); // "" when no service is shown
    const QStringList blank{"", "", ""};
    using L = QList<QStringList>;
    QTest::newRow("classes A B A C")
        << L{{"A", "N1", "S1"}, {"B", "N2", "S2"}, {"A", "N3", "S3"}, {"C", "N4", "S4"}} << blank
        << QStringList{"A", "B", "C"} << QStringList{"N1", "N3"} << QStringList{"S1"} << "1";
    QTest::newRow("names N1 N2 N1")
        << L{{"A", "N1", "S1"}, {"A", "N2", "S2"}, {"A", "N1", "S3"}} << blank << QStringList{"A"}
        << QStringList{"N1", "N2"} << QStringList{"S1", "S3"} << "1";
    QTest::newRow("blank class not listed, blanks around matched")
        << L{{"", "N0", "S0"}, {" A ", "N1", "S1"}, {"A", "N2", "S2"}} << blank << QStringList{"A"}
        << QStringList{"N1", "N2"} << QStringList{"S1"} << "2";
    QTest::newRow("case counts") << L{{"abc", "N1", "S1"}, {"ABC", "N2", "S2"}} << blank
                                 << QStringList{"abc", "ABC"} << QStringList{"N1"}
                                 << QStringList{"S1"} << "1";
    QTest::newRow("case counts in names too")
        << L{{"A", "n1", "S1"}, {"A", "N1", "S2"}} << blank << QStringList{"A"}
        << QStringList{"n1", "N1"} << QStringList{"S1"} << "1";
    QTest::newRow("blank name not listed")
        << L{{"A", "", "S0"}, {"A", "N1", "S1"}} << blank << QStringList{"A"} << QStringList{"N1"}
        << QStringList{"S1"} << "2";
    QTest::newRow("name under two classes offers both")
        << L{{"A", "N1", "S1"}, {"B", "N1", "S2"}} << blank << QStringList{"A", "B"}
        << QStringList{"N1"} << QStringList{"S1", "S2"} << "1";
    QTest::newRow("equal and blank services kept")
        << L{{"A", "N1", "S1"}, {"A", "N1", ""}, {"A", "N1", "S1"}} << blank << QStringList{"A"}
        << QStringList{"N1"} << QStringList{"S1", "", "S1"} << "1";
    QTest::newRow("service of the last stored reply not offered")
        << L{{"A", "N1", "S1"}} << QStringList{"A", "N1", "SLAST"} << QStringList{"A"}
        << QStringList{"N1"} << QStringList{"S1"} << "1";
    // Empty levels show nothing: the boxes are emptied rather than left with an old value.
    QTest::newRow("class without names")
        << L{{"A", "", "S1"}} << blank << QStringList{"A"} << QStringList{} << QStringList{} << "";
    QTest::newRow("name only in the last stored reply")
        << L{} << QStringList{"A", "N1", "S1"} << QStringList{"A"} << QStringList{"N1"}
        << QStringList{} << "";
}

void TestServicePage::lists_builtFromStoredReplies()
{
    QFETCH(QList<QStringList>, services);
    QFETCH(QStringList, closing);
    QFETCH(QStringList, classes);
    QFETCH(QStringList, names);
    QFETCH(QStringList, offered);
    QFETCH(QString, shownRequests);
    Rig rig;
    script(rig.fake, services, closing);
    rig.find<QLineEdit>("txtreq_sum")->setText("stale");

    rig.page.cmdCall_Service_Click();

    QCOMPARE(rig.entries("lstServer_class"), classes);
    QCOMPARE(rig.entries("lstServer_name"), names);
    QCOMPARE(rig.entries("lstService"), offered);
    QCOMPARE(rig.text("txtreq_sum"), shownRequests);
    QCOMPARE(rig.list("lstServer_class")->currentRow(), 0);
    QCOMPARE(rig.list("lstServer_name")->currentRow(), names.isEmpty() ? -1 : 0);
    QCOMPARE(rig.list("lstService")->currentRow(), offered.isEmpty() ? -1 : 0);
    QVERIFY(rig.presenter.shown.isEmpty());
}

void TestServicePage::serviceOfOtherClass_leavesBoxesUnchanged()
{
    Rig rig;
    script(rig.fake, {{"A", "N1", "S1"}, {"B", "N1", "S2"}});
    rig.page.cmdCall_Service_Click();
    QCOMPARE(rig.entries("lstService"), QStringList({"S1", "S2"}));
    const int shown = rig.counting.shown;

    // S2 came from class B, while A is the selected class.
    rig.list("lstService")->setCurrentRow(1);

    QCOMPARE(rig.counting.shown, shown);
    QCOMPARE(rig.text("txtreq_sum"), QStringLiteral("1"));
    QCOMPARE(rig.convText("txtService").trimmed(), QStringLiteral("S1"));
}

void TestServicePage::equalServices_bothShowFirstSlot()
{
    Rig rig;
    script(rig.fake, {{"A", "N1", "S1"}, {"A", "N1", "S1"}});
    rig.page.cmdCall_Service_Click();
    QCOMPARE(rig.entries("lstService"), QStringList({"S1", "S1"}));
    rig.find<QLineEdit>("txtreq_sum")->clear();

    rig.list("lstService")->setCurrentRow(1);

    QCOMPARE(rig.text("txtreq_sum"), QStringLiteral("1"));
}

void TestServicePage::userPicks_runEachHandlerOnce()
{
    Rig rig;
    script(rig.fake, {{"A", "N1", "S1"}, {"A", "N1", "S2"}, {"B", "N2", "S3"}});
    QSignalSpy namesBuilt(rig.list("lstServer_name")->model(), &QAbstractItemModel::modelReset);
    QSignalSpy servicesBuilt(rig.list("lstService")->model(), &QAbstractItemModel::modelReset);

    rig.page.cmdCall_Service_Click();
    QCOMPARE(namesBuilt.count(), 1);
    QCOMPARE(servicesBuilt.count(), 1);
    QCOMPARE(rig.counting.shown, 1);

    rig.page.show();
    QVERIFY(QTest::qWaitForWindowExposed(&rig.page));
    // GIVEN the first class shown WHEN the user clicks the second service
    rig.click("lstService", 1);
    // THEN it is shown once, and nothing above it is rebuilt
    QCOMPARE(rig.counting.shown, 2);
    QCOMPARE(rig.text("txtreq_sum"), QStringLiteral("2"));
    QCOMPARE(namesBuilt.count(), 1);
    QCOMPARE(servicesBuilt.count(), 1);

    // WHEN the user clicks the second class THEN each level below runs once
    rig.click("lstServer_class", 1);
    QCOMPARE(namesBuilt.count(), 2);
    QCOMPARE(servicesBuilt.count(), 2);
    QCOMPARE(rig.counting.shown, 3);
    QCOMPARE(rig.text("txtreq_sum"), QStringLiteral("3"));
    rig.page.hide();
}

void TestServicePage::clickOnSelected_runsItsHandlerOnce_data()
{
    QTest::addColumn<QString>("listName");
    QTest::addColumn<int>("namesRebuilt");
    QTest::addColumn<int>("servicesRebuilt");
    QTest::newRow("lstServer_class") << "lstServer_class" << 1 << 1;
    QTest::newRow("lstServer_name") << "lstServer_name" << 0 << 1;
    QTest::newRow("lstService") << "lstService" << 0 << 0;
}

void TestServicePage::clickOnSelected_runsItsHandlerOnce()
{
    QFETCH(QString, listName);
    QFETCH(int, namesRebuilt);
    QFETCH(int, servicesRebuilt);
    Rig rig;
    script(rig.fake, {{"A", "N1", "S1"}, {"A", "N1", "S2"}, {"B", "N2", "S3"}});
    rig.page.cmdCall_Service_Click();
    rig.page.show();
    QVERIFY(QTest::qWaitForWindowExposed(&rig.page));
    QSignalSpy names(rig.list("lstServer_name")->model(), &QAbstractItemModel::modelReset);
    QSignalSpy services(rig.list("lstService")->model(), &QAbstractItemModel::modelReset);
    rig.find<QLineEdit>("txtreq_sum")->clear();

    // GIVEN the first entry selected by the program WHEN the user clicks it
    rig.click(qPrintable(listName), 0);

    // THEN its handler runs once, as the program's selection did
    QCOMPARE(rig.counting.shown, 2);
    QCOMPARE(names.count(), namesRebuilt);
    QCOMPARE(services.count(), servicesRebuilt);
    QCOMPARE(rig.text("txtreq_sum"), QStringLiteral("1"));
    rig.page.hide();
}

void TestServicePage::counters_shownAsDecimal_data()
{
    QTest::addColumn<int>("offset");
    QTest::addColumn<qint32>("value");
    const QList<std::tuple<const char *, int, qint32>> rows{
        {"txtconv_nonact", 136, 60},       {"txtSserver_act", 140, -1},
        {"txtSconv_act", 144, 3},          {"txtSconv_high", 148, 4},
        {"txtSlong_act", 152, 5},          {"txtSlong_high", 156, 6},
        {"txtSshort_act", 160, 7},         {"txtSshort_high", 164, 8},
        {"txtwait_server", 168, 3725},     {"txtnum_wait_server", 172, 10},
        {"txtnum_serv_occ", 176, 11},      {"txtnum_pend", 180, 12},
        {"txtpend_high", 184, 2147483647}, {"txtreq_sum", 188, -2147483647 - 1},
    };
    for (const auto &[box, offset, value] : rows)
        QTest::newRow(box) << offset << value;
}

void TestServicePage::counters_shownAsDecimal()
{
    QFETCH(int, offset);
    QFETCH(qint32, value);
    QByteArray reply = raw(service("A", "N1", "S1", 0));
    qToLittleEndian<qint32>(value, reply.data() + offset);
    Rig rig;
    rig.fake.script = {scriptedCall("0000", 0, reply),
                       scriptedCall("0003", 1, raw(service("", "", "", 0)))};

    rig.page.cmdCall_Service_Click();

    QCOMPARE(rig.text(QTest::currentDataTag()), QString::number(value));
}

void TestServicePage::conversationBoxes_showChosenServiceUntrimmed()
{
    ServiceReply r = service(" A", "N1  ", "  S1", 1);
    r.setText<"translation">("TR");
    Rig rig;
    rig.fake.script = {scriptedCall("0000", 0, raw(r)),
                       scriptedCall("0003", 1, raw(service("", "", "", 0)))};

    rig.page.cmdCall_Service_Click();

    QCOMPARE(rig.convText("txtServer_class"), " A" + QString(30, ' '));
    QCOMPARE(rig.convText("txtServer_name"), "N1" + QString(30, ' '));
    QCOMPARE(rig.convText("txtService"), "  S1" + QString(28, ' '));
    QCOMPARE(rig.text("txttrans"), QStringLiteral("TR      "));
}

void TestServicePage::tableLimit_thousandStored_thousandAndFirstEndsProgram_data()
{
    test::addTableLimitRows(1000);
}

void TestServicePage::tableLimit_thousandStored_thousandAndFirstEndsProgram()
{
    QFETCH(int, objects);
    QFETCH(bool, ends);
    Rig rig;
    test::scriptConversation(rig.fake, objects, [](int i) {
        return raw(service("A", "N" + QString::number(i % 10), "S" + QString::number(i), i));
    });

    if (ends) {
        QVERIFY_THROWS_EXCEPTION(test::ProgramEnded, rig.page.cmdCall_Service_Click());
        test::verifyEndedOnFullTable(rig.presenter);
        QCOMPARE(rig.list("lstServer_class")->count(), 0);
        QVERIFY(!rig.find("cmdShow_headerS")->isEnabled());
        QCOMPARE(rig.find<QPushButton>("cmdCall_Service")->text(), QStringLiteral("Call Broker"));
    } else {
        rig.page.cmdCall_Service_Click();
        QCOMPARE(rig.page.table().count(), 1000);
        QCOMPARE(rig.entries("lstServer_name").size(), 10);
        QVERIFY(rig.presenter.shown.isEmpty());
    }
}

void TestServicePage::refresh_emptiesClassListBeforeCall()
{
    Rig rig;
    script(rig.fake, {{"OLD", "N1", "S1"}});
    rig.page.cmdCall_Service_Click();

    script(rig.fake, {{"NEW", "N2", "S2"}});
    int listedDuringCall = -1;
    rig.fake.script[0].extra = [&](auto...) {
        listedDuringCall = rig.list("lstServer_class")->count();
    };
    rig.page.cmdCall_Service_Click();

    QCOMPARE(listedDuringCall, 0);
    QCOMPARE(rig.entries("lstServer_class"), QStringList({"NEW"}));
    QCOMPARE(rig.entries("lstServer_name"), QStringList({"N2"}));
    QCOMPARE(rig.entries("lstService"), QStringList({"S2"}));
}

void TestServicePage::noServices_isOrdinary_emptyListsAndBoxes()
{
    Rig rig;
    script(rig.fake, {{"A", "N1", "S1"}});
    rig.page.cmdCall_Service_Click();
    rig.conversation.showService("CONV CLASS", "CONV NAME", "CONV SERVICE");

    // The opening call ends the conversation with a blank object.
    script(rig.fake, {});
    rig.page.cmdCall_Service_Click();

    QCOMPARE(rig.view.boxes, QStringList{"EOC true!!!"});
    QVERIFY(rig.presenter.shown.isEmpty());
    for (const char *name : {"lstServer_class", "lstServer_name", "lstService"})
        QCOMPARE(rig.list(name)->count(), 0);
    for (const char *box : {"txtreq_sum", "txttrans", "txtconv_nonact"})
        QCOMPARE(rig.text(box), QString());
    // The conversation page's boxes belong to what it shows.
    QCOMPARE(rig.convText("txtServer_class"), QStringLiteral("CONV CLASS"));
    QVERIFY(rig.find("cmdShow_headerS")->isEnabled());
    QCOMPARE(rig.find<QPushButton>("cmdCall_Service")->text(), QStringLiteral("Refresh"));
}

void TestServicePage::showHeader_showsLastReplysHeader()
{
    Rig rig;
    ServiceReply closing = service("", "", "", 0);
    closing.setInt32<"max_sv_len">(-3);
    rig.fake.script = {scriptedCall("0000", 0, raw(service("A", "N1", "S1", 1))),
                       scriptedCall("0003", 1, raw(closing))};
    rig.page.cmdCall_Service_Click();

    rig.find<QPushButton>("cmdShow_headerS")->click();

    test::verifyHeaderBox(rig.host, "txtHmax_sv_len", QStringLiteral("-3"));
    rig.host.dialog->hide();
}

QTEST_MAIN(TestServicePage)
#include "tst_service_page.moc"
