// The "Client/Server" tab driven through its handlers against a scripted Broker.

#include "client_server/client_server_page.h"
#include "fake_entry_point.h"
#include "header/frm_header.h"
#include "page_rig.h"
#include "recording_presenter.h"
#include "recording_view.h"
#include "test_header_host.h"

#include <QComboBox>
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

struct Rig : test::PageRig<ClientServerModel, ClientServerPage> {
    QComboBox *ids() const { return find<QComboBox>("comUser_ID"); }
    QStringList listed() const { return test::entries(ids()); }
};

using test::raw;
using test::scriptedCall;

// A user whose sum of conversations tells the slot it came from.
QByteArray user(const QByteArray &id, qint32 sum = 0, qint16 status = 5)
{
    ClientServerReply r;
    r.setBytes<"user_id">(id);
    r.setInt16<"status">(status);
    r.setInt32<"sum_conv">(sum);
    return raw(r);
}

// The given replies, then "0003" with a blank user; replaces any earlier script.
void script(test::FakeEntryPoint &fake, const QList<QByteArray> &replies)
{
    fake.restart();
    test::scriptConversation(
        fake, int(replies.size()), [&](int i) { return replies.at(i); }, user(""));
}

} // namespace

class TestClientServerPage : public QObject
{
    Q_OBJECT
private slots:
    void cleanup();

    // The record
    void reply_fieldsAtTheirOffsets_data();
    void reply_fieldsAtTheirOffsets();
    void gap_goesOutAsZero();

    // The tab before any query
    void captions_data();
    void captions();

    // The list of user IDs
    void ids_listedOnceTrimmed_data();
    void ids_listedOnceTrimmed();
    void pickedId_showsFirstSlotWithThatIdOnce();
    void typedId_selectsNothing();

    // The display
    void codes_decodedFromReply_data();
    void codes_decodedFromReply();
    void codes_decodedWhenTyped_data();
    void codes_decodedWhenTyped();
    void counters_shownAsDecimal_data();
    void counters_shownAsDecimal();
    void texts_shownUntrimmed_data();
    void texts_shownUntrimmed();

    // Queries
    void tableLimit_thousandStored_thousandAndFirstEndsProgram_data();
    void tableLimit_thousandStored_thousandAndFirstEndsProgram();
    void refresh_emptiesListBeforeCall();
    void noUsers_isOrdinary_emptyListAndBoxes();
    void showHeader_showsLastReplysHeader();
};

void TestClientServerPage::cleanup()
{
    test::verifyNoWindowLeftOpen();
}

void TestClientServerPage::reply_fieldsAtTheirOffsets_data()
{
    QTest::addColumn<int>("offset");
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("encoding");
    using E = wire::Encoding;
    const QList<std::tuple<const char *, int, int, E>> rows{
        {"error_code", 0, 4, E::Int32},         {"max_tk_len", 28, 4, E::Int32},
        {"user_id", 32, 32, E::Text},           {"p_user_id", 64, 28, E::Text},
        {"p_user_id_char", 92, 28, E::Text},    {"token", 120, 32, E::Text},
        {"char_set", 152, 2, E::Int16},         {"endian", 154, 2, E::Int16},
        {"status", 156, 2, E::Int16},           {"word_158", 158, 2, E::Int16},
        {"wait_conv_type", 160, 16, E::Text},   {"wait_server_class", 176, 32, E::Text},
        {"wait_server_name", 208, 32, E::Text}, {"wait_service", 240, 32, E::Text},
        {"conv_act", 272, 4, E::Int32},         {"service_act", 276, 4, E::Int32},
        {"last_active", 280, 4, E::Int32},      {"nonact", 284, 4, E::Int32},
        {"wait_new", 288, 2, E::Int16},         {"gap_290", 290, 2, E::Padding},
        {"num_wait_new", 292, 4, E::Int32},     {"wait_old", 296, 4, E::Int32},
        {"num_wait_old", 300, 4, E::Int32},     {"sum_conv", 304, 4, E::Int32},
    };
    for (const auto &[name, offset, width, encoding] : rows)
        QTest::newRow(name) << offset << width << int(encoding);
}

void TestClientServerPage::reply_fieldsAtTheirOffsets()
{
    QFETCH(int, encoding);
    static_assert(ClientServerReply::size == 308);
    test::compareFieldAtRow(layout::clientServerReply);
    const wire::Field &f = wire::find(layout::clientServerReply, QTest::currentDataTag());
    QCOMPARE(int(f.encoding), encoding);
}

void TestClientServerPage::gap_goesOutAsZero()
{
    Rig rig;
    QByteArray dirty = user("U1");
    dirty[290] = char(0xAB);
    dirty[291] = char(0xCD);
    script(rig.fake, {dirty});
    QByteArray gapSent;
    rig.fake.script[1].extra = [&](auto, auto, std::uint8_t *reply, auto) {
        gapSent = QByteArray(reinterpret_cast<const char *>(reply) + 290, 2);
    };

    rig.page.cmdCall_ClientServer_Click();

    QCOMPARE(gapSent, QByteArray(2, '\0'));
    QCOMPARE(rig.page.table().slot(1).data()[290], std::uint8_t(0));
}

void TestClientServerPage::captions_data()
{
    test::addCaptionRows({
        {"fraSelect_user", "Select User ID"},
        {"lblUser_ID", "User ID:"},
        {"lblp_user_id", "Physical User ID:"},
        {"lblp_user_id_char", "Physical internal ID:"},
        {"lbltoken", "Token:"},
        {"lblchar_set", "Character set of user's platform:"},
        {"lblendian", "Endian type of user platform:"},
        {"lblstatus", "User status:"},
        {"fraWait", "For ANY,NEW or OLD the following is returned"},
        {"lblwait_conv_type", "Conversation type:"},
        {"lblwait_service", "Service:"},
        {"lblconv_act", "No of acive conversations for this user:"},
        {"lblCSservice_act", "No of services active:"},
        {"lbllast_active", "Elapsed time since last activity of user:"},
        {"lbllast_active_unit", "seconds"},
        {"lblnonact", "Non-activity time-out:"},
        {"lblwait_new", "Total time server waited for new conv:"},
        {"lblnum_wait_new", "No of times server had to wait:"},
        {"lblwait_old", "Total time waited for old conv:"},
        {"lblwait_old_unit", "seconds"},
        {"lblnum_wait_old", "No of times waited:"},
        {"lblsum_conv", "Sum of conversations for user:"},
        {"cmdCall_ClientServer", "Call Broker"},
        {"cmdShow_headerCS", "Show Header"},
    });
}

void TestClientServerPage::captions()
{
    Rig rig;
    test::compareCaptionAtRow(rig.page, "cmdShow_headerCS");
    QVERIFY(rig.ids()->isEditable());
    QCOMPARE(rig.ids()->insertPolicy(), QComboBox::NoInsert);
}

void TestClientServerPage::ids_listedOnceTrimmed_data()
{
    QTest::addColumn<QList<QByteArray>>("ids");
    QTest::addColumn<QStringList>("listed");
    const QList<std::tuple<const char *, QList<QByteArray>, QStringList>> rows{
        {"U1 U2 U1 U3", {"U1", "U2", "U1", "U3"}, {"U1", "U2", "U3"}},
        {"all blanks not listed", {"", "U2"}, {"U2"}},
        {"blanks before", {"   U1", "U1"}, {"U1"}},
        {"case counts", {"abc", "ABC"}, {"abc", "ABC"}},
    };
    for (const auto &[tag, ids, listed] : rows)
        QTest::newRow(tag) << ids << listed;
}

void TestClientServerPage::ids_listedOnceTrimmed()
{
    QFETCH(QList<QByteArray>, ids);
    QFETCH(QStringList, listed);
    Rig rig;
    QList<QByteArray> replies;
    for (const QByteArray &id : ids)
        replies << user(id);
    script(rig.fake, replies);
    QSignalSpy statusChanges(rig.find<QLineEdit>("txtstatus"), &QLineEdit::textChanged);

    rig.page.cmdCall_ClientServer_Click();

    QCOMPARE(rig.listed(), listed);
    // The first user was shown once: its status code, then its word.
    QCOMPARE(statusChanges.count(), 2);
    QCOMPARE(rig.ids()->currentIndex(), 0);
    QCOMPARE(rig.ids()->currentText(), listed.first());
    QCOMPARE(rig.find<QPushButton>("cmdCall_ClientServer")->text(), QStringLiteral("Refresh"));
    QVERIFY(rig.find("cmdShow_headerCS")->isEnabled());
}

void TestClientServerPage::pickedId_showsFirstSlotWithThatIdOnce()
{
    Rig rig;
    script(rig.fake, {user("U1", 1, 5), user("U2", 2, 0), user("U1", 3, 0), user("U3", 4, 0)});
    rig.page.cmdCall_ClientServer_Click();
    QCOMPARE(rig.text("txtsum_conv"), QStringLiteral("1"));
    QTest::keyClick(rig.ids(), Qt::Key_Down);
    QCOMPARE(rig.text("txtsum_conv"), QStringLiteral("2"));
    QSignalSpy statusChanges(rig.find<QLineEdit>("txtstatus"), &QLineEdit::textChanged);

    // WHEN the user moves back to U1
    QTest::keyClick(rig.ids(), Qt::Key_Up);

    // THEN the first U1 slot is shown, once: its status code, then its word
    QCOMPARE(rig.text("txtsum_conv"), QStringLiteral("1"));
    QCOMPARE(statusChanges.count(), 2);
    QCOMPARE(rig.text("txtstatus"), QStringLiteral("Waiting"));
}

void TestClientServerPage::typedId_selectsNothing()
{
    Rig rig;
    script(rig.fake, {user("U1", 1), user("U2", 2)});
    rig.page.cmdCall_ClientServer_Click();

    QLineEdit *edit = rig.ids()->lineEdit();
    edit->selectAll();
    QTest::keyClicks(edit, "U2");
    QTest::keyClick(edit, Qt::Key_Return);
    emit edit->editingFinished(); // as when the field loses focus
    edit->selectAll();
    QTest::keyClicks(edit, "u2");
    QTest::keyClick(edit, Qt::Key_Return);

    QCOMPARE(rig.text("txtsum_conv"), QStringLiteral("1"));
}

void TestClientServerPage::codes_decodedFromReply_data()
{
    QTest::addColumn<QString>("box");
    QTest::addColumn<int>("offset");
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("shown");
    const QList<std::tuple<const char *, int, int, const char *>> rows{
        {"txtchar_set", 152, 34, "EBCDIC IBM"},
        {"txtchar_set", 152, 66, "EBCDIC SNI"},
        {"txtchar_set", 152, 1, "ASCII PC 386"},
        {"txtchar_set", 152, 16, "ASCII PC OS/2"},
        {"txtchar_set", 152, 128, "ASCII 8859-1"},
        {"txtchar_set", 152, 0, "0"},
        {"txtchar_set", 152, 2, "2"},
        {"txtchar_set", 152, -1, "-1"},
        {"txtendian", 154, 0, "Little endian"},
        {"txtendian", 154, 1, "Big endian"},
        {"txtendian", 154, 2, "2"},
        {"txtstatus", 156, 0, "Not waiting"},
        {"txtstatus", 156, 5, "Waiting"},
        {"txtstatus", 156, 1, "1"},
        {"txtstatus", 156, 4, "4"},
    };
    for (const auto &[box, offset, code, shown] : rows)
        QTest::addRow("%s %d", box, code) << box << offset << code << shown;
}

void TestClientServerPage::codes_decodedFromReply()
{
    QFETCH(QString, box);
    QFETCH(int, offset);
    QFETCH(int, code);
    QFETCH(QString, shown);
    QByteArray reply = user("U1");
    qToLittleEndian<qint16>(qint16(code), reply.data() + offset);
    Rig rig;
    script(rig.fake, {reply});

    rig.page.cmdCall_ClientServer_Click();

    QCOMPARE(rig.text(box), shown);
}

void TestClientServerPage::codes_decodedWhenTyped_data()
{
    QTest::addColumn<QString>("box");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("shown");
    // Every keystroke is a change, decoded at once.
    const QList<std::tuple<const char *, const char *, const char *>> rows{
        {"txtstatus", "5", "Waiting"},       {"txtstatus", "0", "Not waiting"},
        {"txtstatus", " 5", " 5"},           {"txtstatus", "3", "3"},
        {"txtchar_set", "34", "EBCDIC IBM"}, {"txtchar_set", "66", "EBCDIC SNI"},
        {"txtchar_set", " 1", " 1"},         {"txtendian", "1", "Big endian"},
        {"txtendian", "0", "Little endian"}, {"txtendian", "2", "2"},
    };
    for (const auto &[box, typed, shown] : rows)
        QTest::addRow("%s '%s'", box, typed) << box << typed << shown;
}

void TestClientServerPage::codes_decodedWhenTyped()
{
    QFETCH(QString, box);
    QFETCH(QString, typed);
    QFETCH(QString, shown);
    Rig rig;
    QTest::keyClicks(rig.find<QLineEdit>(box), typed);
    QCOMPARE(rig.text(box), shown);
}

void TestClientServerPage::counters_shownAsDecimal_data()
{
    QTest::addColumn<int>("offset");
    QTest::addColumn<int>("width");
    QTest::addColumn<qint32>("value");
    QTest::addColumn<QString>("shown");
    const QList<std::tuple<const char *, int, int, qint32, const char *>> rows{
        {"txtconv_act", 272, 4, 3, "3"},
        {"txtCSservice_act", 276, 4, -1, "-1"},
        {"txtlast_active", 280, 4, 3725, "3725"},
        {"txtnonact", 284, 4, 600, "600"},
        {"txtwait_new", 288, 2, 0x8001, "-32767"}, // 16 bits, top bit set
        {"txtnum_wait_new", 292, 4, 7, "7"},
        {"txtwait_old", 296, 4, 40000, "40000"},
        {"txtnum_wait_old", 300, 4, 9, "9"},
        {"txtsum_conv", 304, 4, 2147483647, "2147483647"},
    };
    for (const auto &[box, offset, width, value, shown] : rows)
        QTest::newRow(box) << offset << width << value << shown;
}

void TestClientServerPage::counters_shownAsDecimal()
{
    QFETCH(int, offset);
    QFETCH(int, width);
    QFETCH(qint32, value);
    QFETCH(QString, shown);
    QByteArray reply = user("U1");
    if (width == 2)
        qToLittleEndian<quint16>(quint16(value), reply.data() + offset);
    else
        qToLittleEndian<qint32>(value, reply.data() + offset);
    Rig rig;
    script(rig.fake, {reply});

    rig.page.cmdCall_ClientServer_Click();

    QCOMPARE(rig.text(QTest::currentDataTag()), shown);
}

void TestClientServerPage::texts_shownUntrimmed_data()
{
    QTest::addColumn<int>("offset");
    QTest::addColumn<int>("width");
    const QList<std::tuple<const char *, int, int>> rows{
        {"txtp_user_id", 64, 28},
        {"txtp_user_id_char", 92, 28},
        {"txttoken", 120, 32},
        {"txtwait_conv_type", 160, 16},
        {"txtwait_server_class", 176, 32},
        {"txtwait_server_name", 208, 32},
        {"txtwait_service", 240, 32},
    };
    for (const auto &[box, offset, width] : rows)
        QTest::newRow(box) << offset << width;
}

void TestClientServerPage::texts_shownUntrimmed()
{
    QFETCH(int, offset);
    QFETCH(int, width);
    const QByteArray stored = QByteArray("  T").leftJustified(width, ' ');
    QByteArray reply = user("U1");
    reply.replace(offset, width, stored);
    Rig rig;
    script(rig.fake, {reply});

    rig.page.cmdCall_ClientServer_Click();

    QCOMPARE(rig.text(QTest::currentDataTag()), QString::fromLatin1(stored));
    // The start stays in sight, not the trailing blanks.
    QCOMPARE(rig.find<QLineEdit>(QTest::currentDataTag())->cursorPosition(), 0);
}

void TestClientServerPage::tableLimit_thousandStored_thousandAndFirstEndsProgram_data()
{
    test::addTableLimitRows(1000);
}

void TestClientServerPage::tableLimit_thousandStored_thousandAndFirstEndsProgram()
{
    QFETCH(int, objects);
    QFETCH(bool, ends);
    Rig rig;
    test::scriptConversation(rig.fake, objects,
                             [](int i) { return user("U" + QByteArray::number(i), i); });

    if (ends) {
        QVERIFY_THROWS_EXCEPTION(test::ProgramEnded, rig.page.cmdCall_ClientServer_Click());
        test::verifyEndedOnFullTable(rig.presenter);
        QCOMPARE(rig.ids()->count(), 0);
        QVERIFY(!rig.find("cmdShow_headerCS")->isEnabled());
        QCOMPARE(rig.find<QPushButton>("cmdCall_ClientServer")->text(),
                 QStringLiteral("Call Broker"));
    } else {
        rig.page.cmdCall_ClientServer_Click();
        QCOMPARE(rig.page.table().count(), 1000);
        QCOMPARE(rig.ids()->count(), 999);
        QVERIFY(rig.presenter.shown.isEmpty());
    }
}

void TestClientServerPage::refresh_emptiesListBeforeCall()
{
    Rig rig;
    script(rig.fake, {user("OLD", 1)});
    rig.page.cmdCall_ClientServer_Click();

    script(rig.fake, {user("NEW1", 2), user("NEW2", 3)});
    int listedDuringCall = -1;
    QString textDuringCall = "unset";
    rig.fake.script[0].extra = [&](auto...) {
        listedDuringCall = rig.ids()->count();
        textDuringCall = rig.ids()->currentText();
    };
    rig.page.cmdCall_ClientServer_Click();

    QCOMPARE(listedDuringCall, 0);
    QCOMPARE(textDuringCall, QString());
    QCOMPARE(rig.listed(), QStringList({"NEW1", "NEW2"}));
    QCOMPARE(rig.text("txtsum_conv"), QStringLiteral("2"));
}

void TestClientServerPage::noUsers_isOrdinary_emptyListAndBoxes()
{
    Rig rig;
    script(rig.fake, {user("U1", 1)});
    rig.page.cmdCall_ClientServer_Click();
    QCOMPARE(rig.text("txtstatus"), QStringLiteral("Waiting"));

    // The opening call ends the conversation with a blank user.
    script(rig.fake, {});
    rig.page.cmdCall_ClientServer_Click();

    QVERIFY(rig.presenter.shown.isEmpty());
    QCOMPARE(rig.ids()->count(), 0);
    QCOMPARE(rig.ids()->currentText(), QString());
    for (const char *box : {"txtstatus", "txtsum_conv", "txttoken"})
        QCOMPARE(rig.text(box), QString());
    QVERIFY(rig.find("cmdShow_headerCS")->isEnabled());
    QCOMPARE(rig.find<QPushButton>("cmdCall_ClientServer")->text(), QStringLiteral("Refresh"));
}

void TestClientServerPage::showHeader_showsLastReplysHeader()
{
    Rig rig;
    ClientServerReply closing;
    closing.setInt32<"max_uid_len">(32);
    rig.fake.script = {scriptedCall("0000", 0, user("U1")), scriptedCall("0003", 1, raw(closing))};
    rig.page.cmdCall_ClientServer_Click();

    rig.find<QPushButton>("cmdShow_headerCS")->click();

    test::verifyHeaderBox(rig.host, "txtHmax_uid_len", QStringLiteral("32"));
    rig.host.dialog->hide();
}

QTEST_MAIN(TestClientServerPage)
#include "tst_client_server_page.moc"
