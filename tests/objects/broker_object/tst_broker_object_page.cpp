// The "Broker Object" tab driven through its handlers against a scripted Broker.

#include "broker_object/broker_object_page.h"
#include "fake_entry_point.h"
#include "header/frm_header.h"
#include "page_rig.h"
#include "query_failure.h"
#include "recording_presenter.h"
#include "recording_view.h"
#include "test_header_host.h"

#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QtEndian>

#include <algorithm>
#include <limits>

using namespace morvain;

namespace
{

struct Rig : test::CycleRig<> {
    BrokerObjectModel model;
    BrokerObjectPage page{context(), model};

    void answer(const QByteArray &reply) { fake.script.append({"0000", {}, {}, reply, {}, 0}); }
    QWidget *find(const char *name) const { return test::control(page, name); }
    QString text(const char *name) const
    {
        const QWidget *w = find(name);
        if (auto *box = qobject_cast<const QLineEdit *>(w))
            return box->text();
        if (auto *button = qobject_cast<const QPushButton *>(w))
            return button->text();
        return qobject_cast<const QLabel *>(w)->text();
    }
    QStringList runTime() const { return {text("lblhour"), text("lblmin"), text("lblsec")}; }
};

using test::raw;

// "name@offset+width" for every field, in table order.
QStringList layoutOf(const auto &fields)
{
    QStringList out;
    for (const wire::Field &f : fields)
        out << QString("%1@%2+%3").arg(QLatin1StringView(f.name)).arg(f.offset).arg(f.width);
    return out;
}

} // namespace

class TestBrokerObjectPage : public QObject
{
    Q_OBJECT
private slots:
    void cleanup();

    void reply_fieldsFollowTheLayout();

    // The tab before any query
    void topRowsAndButtons_startValues();
    void textBoxes_standInTheirFramesWithTheirCaptions_data();
    void textBoxes_standInTheirFramesWithTheirCaptions();
    void frames_formTwoColumnsWithTraceLevelBelowTheRight();

    // The query
    void runTime_splitsIntoHoursMinutesSeconds_data();
    void runTime_splitsIntoHoursMinutesSeconds();
    void values_shownAsDecimalFromTheirOffsets_data();
    void values_shownAsDecimalFromTheirOffsets();
    void platform_keepsTrailingBlanks();
    void secondPress_keepsRefreshAndReplacesValues();
    void failure_endsProgramBeforeAnythingIsShown();

    void showHeader_fillsAndShowsTheOneDialog_messageUntouched();
};

void TestBrokerObjectPage::cleanup()
{
    test::verifyNoWindowLeftOpen();
}

void TestBrokerObjectPage::reply_fieldsFollowTheLayout()
{
    QCOMPARE(BrokerReply::size, 124);
    QCOMPARE(layoutOf(BrokerReply::fields).mid(7),
             (QStringList{"max_tk_len@28+4",     "platform@32+8",     "run_time@40+4",
                          "num_worker_act@44+4", "num_long@48+4",     "long_act@52+4",
                          "long_high@56+4",      "num_short@60+4",    "short_act@64+4",
                          "short_high@68+4",     "long_size@72+4",    "short_size@76+4",
                          "num_service@80+4",    "service_act@84+4",  "num_server@88+4",
                          "server_act@92+4",     "server_high@96+4",  "num_client@100+4",
                          "client_act@104+4",    "client_high@108+4", "num_conv@112+4",
                          "conv_high@116+4",     "trace_level@120+2", "final_int16@122+2"}));
    QVERIFY(BrokerReply::fields[8].encoding == wire::Encoding::Text);
    QVERIFY(BrokerReply::fields[29].encoding == wire::Encoding::Int16);
    QVERIFY(BrokerReply::fields[30].encoding == wire::Encoding::Int16);
}

void TestBrokerObjectPage::topRowsAndButtons_startValues()
{
    Rig rig;
    QStringList texts;
    for (const char *name :
         {"lblcap_platform", "lblPlatform", "lblcap_run_time", "lblhour", "lblunit_h",
          "lblzero_min", "lblmin", "lblunit_m", "lblzero_sec", "lblsec", "lblunit_s",
          "lblcap_num_worker_act", "lblnum_worker_act", "lblcap_trace_level", "txttrace_level",
          "cmdCall_Broker", "cmdShow_HeaderB"})
        texts << rig.text(name);
    QCOMPARE(texts, (QStringList{"Platform:", "", "Run-time:", "00", "h", "0", "00", "m", "0", "00",
                                 "s", "Num of workers act:", "", "Trace level:", "", "Call Broker",
                                 "Show Header"}));
    QVERIFY(!rig.find("cmdShow_HeaderB")->isEnabled());
    const auto horizontal = [&rig](const char *name) {
        return qobject_cast<QLabel *>(rig.find(name))->alignment() & Qt::AlignHorizontal_Mask;
    };
    QCOMPARE(horizontal("lblhour"), Qt::AlignLeft);
    QCOMPARE(horizontal("lblmin"), Qt::AlignRight);
    QCOMPARE(horizontal("lblsec"), Qt::AlignRight);
}

void TestBrokerObjectPage::textBoxes_standInTheirFramesWithTheirCaptions_data()
{
    QTest::addColumn<QString>("frame");
    QTest::addColumn<QStringList>("boxes");
    QTest::addColumn<QStringList>("captions");
    const QStringList four{"Num defined:", "Num active:", "Highest active:", "Size:"};
    QTest::newRow("long") << "Long Buffers"
                          << QStringList{"txtnum_long", "txtlong_act", "txtlong_high",
                                         "txtlong_size"}
                          << four;
    QTest::newRow("short") << "Short Buffers"
                           << QStringList{"txtnum_short", "txtshort_act", "txtshort_high",
                                          "txtshort_size"}
                           << four;
    QTest::newRow("services") << "Services" << QStringList{"txtnum_service", "txtservice_act"}
                              << four.mid(0, 2);
    QTest::newRow("servers") << "Servers"
                             << QStringList{"txtnum_server", "txtserver_act", "txtserver_high"}
                             << four.mid(0, 3);
    QTest::newRow("clients") << "Clients"
                             << QStringList{"txtnum_client", "txtclient_act", "txtclient_high"}
                             << four.mid(0, 3);
    QTest::newRow("conversations") << "Conversations" << QStringList{"txtnum_conv", "txtconv_high"}
                                   << QStringList{"Num defined:", "Highest active:"};
}

void TestBrokerObjectPage::textBoxes_standInTheirFramesWithTheirCaptions()
{
    QFETCH(QString, frame);
    QFETCH(QStringList, boxes);
    QFETCH(QStringList, captions);
    Rig rig;
    rig.page.show();
    int previousY = -1;
    for (int i = 0; i < boxes.size(); ++i) {
        QWidget *box = rig.find(qPrintable(boxes[i]));
        auto *group = qobject_cast<QGroupBox *>(box->parentWidget());
        QVERIFY(group);
        QCOMPARE(group->title(), frame);
        QCOMPARE(rig.text(qPrintable(boxes[i])), QString());
        const auto labels = group->findChildren<QLabel *>();
        const auto caption = std::find_if(labels.begin(), labels.end(),
                                          [box](QLabel *l) { return l->buddy() == box; });
        QVERIFY2(caption != labels.end(), qPrintable(boxes[i]));
        QCOMPARE((*caption)->text(), captions[i]);
        QVERIFY((*caption)->x() < box->x());
        QVERIFY(box->y() > previousY); // rows top to bottom
        previousY = box->y();
    }
}

void TestBrokerObjectPage::frames_formTwoColumnsWithTraceLevelBelowTheRight()
{
    Rig rig;
    rig.page.show();
    QCOMPARE(rig.page.findChildren<QGroupBox *>().size(), 6);
    const auto at = [&rig](const char *name) { return rig.find(name)->mapTo(&rig.page, QPoint()); };
    const QList<const char *> left{"txtnum_long", "txtnum_server", "txtnum_conv"};
    const QList<const char *> right{"txtnum_service", "txtnum_short", "txtnum_client",
                                    "txttrace_level", "cmdShow_HeaderB"};
    for (const auto &column : {left, right})
        for (int i = 1; i < column.size(); ++i)
            QVERIFY2(at(column[i]).y() > at(column[i - 1]).y(), column[i]);
    for (const char *l : left)
        for (const char *r : right)
            QVERIFY(at(l).x() < at(r).x());
    QVERIFY(at("cmdShow_HeaderB").x() > at("cmdCall_Broker").x());
}

void TestBrokerObjectPage::runTime_splitsIntoHoursMinutesSeconds_data()
{
    QTest::addColumn<qint32>("runTime");
    QTest::addColumn<QStringList>("shown"); // lblhour, lblmin, lblsec
    QTest::addColumn<QString>("onScreen");  // with the "0" labels that are showing
    QTest::newRow("zero") << 0 << QStringList{"0", "0", "0"} << "0h00m00s";
    QTest::newRow("59 s") << 59 << QStringList{"0", "0", "59"} << "0h00m59s";
    QTest::newRow("one hour") << 3600 << QStringList{"1", "0", "0"} << "1h00m00s";
    QTest::newRow("3725 s") << 3725 << QStringList{"1", "2", "5"} << "1h02m05s";
    QTest::newRow("two digits") << 754 << QStringList{"0", "12", "34"} << "0h12m34s";
    QTest::newRow("25 h, no days") << 25 * 3600 << QStringList{"25", "0", "0"} << "25h00m00s";
    QTest::newRow("negative") << -30 << QStringList{"-1", "59", "30"} << "-1h59m30s";
    QTest::newRow("int32 min") << std::numeric_limits<qint32>::min()
                               << QStringList{"-596524", "45", "52"} << "-596524h45m52s";
}

void TestBrokerObjectPage::runTime_splitsIntoHoursMinutesSeconds()
{
    QFETCH(qint32, runTime);
    QFETCH(QStringList, shown);
    QFETCH(QString, onScreen);
    Rig rig;
    BrokerReply r;
    r.setInt32<"run_time">(runTime);
    rig.answer(raw(r));
    rig.page.cmdCall_Broker_Click();
    QCOMPARE(rig.runTime(), shown);
    QString screen;
    for (const char *name : {"lblhour", "lblunit_h", "lblzero_min", "lblmin", "lblunit_m",
                             "lblzero_sec", "lblsec", "lblunit_s"})
        if (rig.find(name)->isVisibleTo(&rig.page))
            screen += rig.text(name);
    QCOMPARE(screen, onScreen);
}

void TestBrokerObjectPage::values_shownAsDecimalFromTheirOffsets_data()
{
    QTest::addColumn<QString>("control"); // empty: shown nowhere
    QTest::addColumn<int>("offset");
    QTest::addColumn<qint32>("value");
    const QList<std::tuple<const char *, int, qint32>> rows{
        {"lblnum_worker_act", 44, 12},
        {"txtnum_long", 48, 400},
        {"txtlong_act", 52, -1},
        {"txtlong_high", 56, 2147483647},
        {"txtnum_short", 60, 1000000},
        {"txtshort_act", 64, 61},
        {"txtshort_high", 68, 62},
        {"txtlong_size", 72, 4096},
        {"txtshort_size", 76, 256},
        {"txtnum_service", 80, 80},
        {"txtservice_act", 84, 84},
        {"txtnum_server", 88, 88},
        {"txtserver_act", 92, 92},
        {"txtserver_high", 96, -2147483647 - 1},
        {"txtnum_client", 100, 100},
        {"txtclient_act", 104, 104},
        {"txtclient_high", 108, 108},
        {"txtnum_conv", 112, 112},
        {"txtconv_high", 116, 116},
        {"txttrace_level", 120, -3},
        {"", 122, 4321}, // final_int16
    };
    for (const auto &[control, offset, value] : rows)
        QTest::newRow(*control ? control : "final_int16") << control << offset << value;
}

void TestBrokerObjectPage::values_shownAsDecimalFromTheirOffsets()
{
    QFETCH(QString, control);
    QFETCH(int, offset);
    QFETCH(qint32, value);
    Rig rig;
    // Written straight into the bytes at the offset, independent of the field table.
    QByteArray reply(BrokerReply::size, '\0');
    if (offset >= 120)
        qToLittleEndian<qint16>(qint16(value), reply.data() + offset);
    else
        qToLittleEndian<qint32>(value, reply.data() + offset);
    rig.answer(reply);
    rig.page.cmdCall_Broker_Click();

    QStringList showing; // every control whose text is the value
    for (auto *w : rig.page.findChildren<QWidget *>())
        if (w->property("text").toString() == QString::number(value))
            showing << w->objectName();
    QCOMPARE(showing, control.isEmpty() ? QStringList() : QStringList{control});
}

void TestBrokerObjectPage::platform_keepsTrailingBlanks()
{
    Rig rig;
    BrokerReply r;
    r.setText<"platform">("LNX");
    rig.answer(raw(r));
    rig.page.cmdCall_Broker_Click();
    QCOMPARE(rig.text("lblPlatform"), QString("LNX     "));
}

void TestBrokerObjectPage::secondPress_keepsRefreshAndReplacesValues()
{
    Rig rig;
    BrokerReply first, second;
    first.setText<"platform">("ONE");
    first.setInt32<"run_time">(3725);
    first.setInt32<"num_conv">(7);
    first.setInt16<"trace_level">(2);
    second.setText<"platform">("TWO");
    second.setInt32<"run_time">(59);
    second.setInt32<"num_conv">(8);
    rig.answer(raw(first));
    rig.answer(raw(second));

    rig.page.cmdCall_Broker_Click();
    QCOMPARE(rig.text("cmdCall_Broker"), QString("Refresh"));
    QVERIFY(rig.find("cmdShow_HeaderB")->isEnabled());

    QTest::mouseClick(rig.find("cmdCall_Broker"), Qt::LeftButton);
    QCOMPARE(rig.fake.sent.size(), 2);
    QCOMPARE(rig.text("cmdCall_Broker"), QString("Refresh"));
    QVERIFY(rig.find("cmdShow_HeaderB")->isEnabled());
    QCOMPARE(rig.text("lblPlatform"), QString("TWO     "));
    QCOMPARE(rig.runTime(), (QStringList{"0", "0", "59"}));
    QCOMPARE(rig.text("txtnum_conv"), QString("8"));
    QCOMPARE(rig.text("txttrace_level"), QString("0"));
    QVERIFY(rig.presenter.shown.isEmpty());
}

void TestBrokerObjectPage::failure_endsProgramBeforeAnythingIsShown()
{
    Rig rig;
    BrokerReply r;
    r.setInt32<"run_time">(3725);
    rig.answer(raw(r));
    rig.fake.script[0].extra = [](auto...) {
        throw QueryFailure(LibraryNotFound, "tarnvel is missing");
    };

    QVERIFY_THROWS_EXCEPTION(test::ProgramEnded, rig.page.cmdCall_Broker_Click());
    QCOMPARE(rig.presenter.shown,
             (QList<QPair<QString, QString>>{
                 {"Morvain Service",
                  "Error no. 53 has occured...Probable cause: Net-work not started...exiting"}}));
    QCOMPARE(rig.presenter.endings, 1);
    QCOMPARE(rig.text("lblhour"), QString("00"));
    QCOMPARE(rig.text("cmdCall_Broker"), QString("Call Broker"));
    QVERIFY(!rig.find("cmdShow_HeaderB")->isEnabled());
}

void TestBrokerObjectPage::showHeader_fillsAndShowsTheOneDialog_messageUntouched()
{
    Rig rig;
    BrokerReply r;
    r.setInt32<"error_code">(-7);
    r.setInt32<"total_num_objects">(1);
    r.setInt32<"max_tk_len">(16);
    rig.answer(raw(r));
    rig.page.cmdCall_Broker_Click();
    rig.host.headerDialog().setMessage("from the last query");

    QTest::mouseClick(rig.find("cmdShow_HeaderB"), Qt::LeftButton);
    QTest::mouseClick(rig.find("cmdShow_HeaderB"), Qt::LeftButton);
    QVERIFY(rig.host.dialog->isVisible());
    QStringList shown;
    for (const char *name : {"txtHerror_code", "txtHtotal_num_objects", "txtHcurrent_num_objects",
                             "txtHmax_tk_len", "txterror"})
        shown << rig.host.dialog->findChild<QLineEdit *>(name)->text();
    QCOMPARE(shown, (QStringList{"-7", "1", "0", "16", "from the last query"}));
    test::verifyOneHeaderDialog();
    rig.host.dialog->cmdOK_Click();
}

QTEST_MAIN(TestBrokerObjectPage)
#include "tst_broker_object_page.moc"
