// The "Conv Object" page driven through its handlers against a scripted Broker.

#include "conversation/conversation_page.h"
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

struct Rig : test::PageRig<ConversationModel, ConversationPage> {
    QComboBox *ids() const { return find<QComboBox>("comConv_id"); }
    QStringList listed() const { return test::entries(ids()); }
};

using test::raw;
using test::scriptedCall;

// A conversation whose server user ID tells the slot it came from.
QByteArray conversation(const QByteArray &id, const QString &serverUser = {}, qint16 type = 0)
{
    ConversationReply r;
    r.setBytes<"conversation_id">(id);
    r.setText<"server_user_id">(serverUser);
    r.setInt16<"conv_type">(type);
    return raw(r);
}

// The given replies, then "0003" with the reply area left as it was.
void script(test::FakeEntryPoint &fake, const QList<QByteArray> &replies)
{
    test::scriptConversation(fake, int(replies.size()), [&](int i) { return replies.at(i); });
}

} // namespace

class TestConversationPage : public QObject
{
    Q_OBJECT
private slots:
    void cleanup();

    // The record
    void reply_fieldsAtTheirOffsets_data();
    void reply_fieldsAtTheirOffsets();

    // The page before any query
    void captions_data();
    void captions();

    // The list of conversation IDs
    void ids_listedOnceTrimmedOfBlanksOnly_data();
    void ids_listedOnceTrimmedOfBlanksOnly();
    void query_asksForConversationsAndShowsFirst();
    void pickedId_showsFirstSlotWithThatIdOnce();
    void typedId_selectsNothing();

    // The display
    void fields_shownAsStored_data();
    void fields_shownAsStored();
    void convType_decodedFromReply_data();
    void convType_decodedFromReply();
    void convType_decodedWhenTyped_data();
    void convType_decodedWhenTyped();

    // Queries
    void tableLimit_hundredStored_hundredAndFirstEndsProgram_data();
    void tableLimit_hundredStored_hundredAndFirstEndsProgram();
    void refresh_emptiesListFirst_boxesKeepOldUntilNewShown();
    void noConversations_isOrdinary_emptyListAndBoxes();
    void noConversations_serviceBoxesKeepLastWriter_data();
    void noConversations_serviceBoxesKeepLastWriter();
    void showHeader_showsLastReplysHeader();
};

void TestConversationPage::cleanup()
{
    test::verifyNoWindowLeftOpen();
}

void TestConversationPage::reply_fieldsAtTheirOffsets_data()
{
    test::addFieldRows({
        {"error_code", 0, 4},
        {"max_tk_len", 28, 4},
        {"conversation_id", 32, 16},
        {"server_user_id", 48, 32},
        {"server_p_user_id", 80, 28},
        {"server_p_user_id_char", 108, 28},
        {"server_token", 136, 32},
        {"client_user_id", 168, 32},
        {"client_p_user_id", 200, 28},
        {"client_p_user_id_char", 228, 28},
        {"client_token", 256, 32},
        {"conv_server_class", 288, 32},
        {"conv_server_name", 320, 32},
        {"conv_service", 352, 32},
        {"conv_time_out", 384, 4},
        {"last_active_conv", 388, 4},
        {"conv_type", 392, 2},
        {"conv_word_394", 394, 2},
    });
}

void TestConversationPage::reply_fieldsAtTheirOffsets()
{
    static_assert(ConversationReply::size == 396);
    test::compareFieldAtRow(layout::conversationReply);

    // The accessors read where the table says: 16-bit signed, little-endian.
    ConversationReply r;
    r.setInt16<"conv_type">(-2);
    QCOMPARE(quint8(r.data()[392]), quint8(0xFE));
    QCOMPARE(quint8(r.data()[393]), quint8(0xFF));
}

void TestConversationPage::captions_data()
{
    test::addCaptionRows({
        {"fraConversation_id", "Conversation ID"},
        {"lblConv_id", "Conversation ID:"},
        {"lblLast_active_conv", "Elapsed time since last activity for this conv:"},
        {"lblConv_type", "Type of conversation:"},
        {"fraServer_info", "Server Information"},
        {"lblServer_P_user", "Physical User ID:"},
        {"lblS_P_User_id_C", "Physical User ID (char):"},
        {"fraService_of_conv", "Service of Conversation"},
        {"lblServer_class", "Server class:"},
        {"lblConv_time_out", "Time out:"},
        {"lblConv_time_out_unit", "seconds"},
        {"fraClient_info", "Client Information"},
        {"lblClient_token", "Token:"},
        {"cmdCall_Conversation", "Call Broker"},
        {"cmdShow_headerCO", "Show Header"},
    });
}

void TestConversationPage::captions()
{
    Rig rig;
    test::compareCaptionAtRow(rig.page, "cmdShow_headerCO");
}

void TestConversationPage::ids_listedOnceTrimmedOfBlanksOnly_data()
{
    QTest::addColumn<QList<QByteArray>>("ids");
    QTest::addColumn<QStringList>("listed");
    const QByteArray zeros(14, '\0');
    const QList<std::tuple<const char *, QList<QByteArray>, QStringList>> rows{
        // The closing reply repeats the last conversation.
        {"arrival order", {"C2", "C1", "C3"}, {"C2", "C1", "C3"}},
        {"duplicates merged", {"C1", "C2", "C1"}, {"C1", "C2"}},
        {"blanks around", {"  C1      ", "C1"}, {"C1"}},
        {"sixteen blanks", {QByteArray(16, ' '), "C2"}, {"C2"}},
        {"zero bytes stay", {"C1" + zeros, "C1"}, {"C1" + QString(14, QChar(0)), "C1"}},
        {"tab is no blank", {"\tC1"}, {"\tC1"}},
        {"case counts", {"abc", "ABC"}, {"abc", "ABC"}},
    };
    for (const auto &[tag, ids, listed] : rows)
        QTest::newRow(tag) << ids << listed;
}

void TestConversationPage::ids_listedOnceTrimmedOfBlanksOnly()
{
    QFETCH(QList<QByteArray>, ids);
    QFETCH(QStringList, listed);
    Rig rig;
    QList<QByteArray> replies;
    for (const QByteArray &id : ids)
        replies << conversation(id);
    script(rig.fake, replies);

    rig.page.cmdCall_Conversation_Click();

    QCOMPARE(rig.page.table().count(), ids.size() + 1);
    QCOMPARE(rig.listed(), listed);
    QCOMPARE(rig.ids()->currentIndex(), 0);
}

void TestConversationPage::query_asksForConversationsAndShowsFirst()
{
    Rig rig;
    script(rig.fake, {conversation("C1", "first"), conversation("C2", "second")});
    QSignalSpy typeChanges(rig.find<QLineEdit>("txtConv_type"), &QLineEdit::textChanged);

    rig.page.cmdCall_Conversation_Click();

    // The first conversation was shown once: its type code, then its word.
    QCOMPARE(typeChanges.count(), 2);

    const QByteArray request = rig.fake.sent.at(0).request;
    QCOMPARE(qFromLittleEndian<qint32>(request.constData()), 364);
    QCOMPARE(qFromLittleEndian<qint16>(request.constData() + 8), qint16(4));
    QCOMPARE(rig.text("txtServer_user_id").trimmed(), QStringLiteral("first"));
    QCOMPARE(rig.find<QPushButton>("cmdCall_Conversation")->text(), QStringLiteral("Refresh"));
    QVERIFY(rig.find("cmdShow_headerCO")->isEnabled());
    QVERIFY(rig.presenter.shown.isEmpty());
}

void TestConversationPage::pickedId_showsFirstSlotWithThatIdOnce()
{
    Rig rig;
    // The closing reply repeats C2, stored as slot 4.
    script(rig.fake, {conversation("C1", "one", 0), conversation("  C2  ", "two", 1),
                      conversation("C2", "again", 0)});
    rig.page.cmdCall_Conversation_Click();
    QCOMPARE(rig.listed(), QStringList({"C1", "C2"}));
    QSignalSpy typeChanges(rig.find<QLineEdit>("txtConv_type"), &QLineEdit::textChanged);

    // WHEN the user moves to the next entry
    QTest::keyClick(rig.ids(), Qt::Key_Down);

    // THEN the first slot with C2 is shown, once: its code, then its word
    QCOMPARE(rig.text("txtServer_user_id").trimmed(), QStringLiteral("two"));
    QCOMPARE(typeChanges.count(), 2);
    QCOMPARE(rig.text("txtConv_type"), QStringLiteral("Non-conversational"));
}

void TestConversationPage::typedId_selectsNothing()
{
    Rig rig;
    script(rig.fake, {conversation("C1", "one"), conversation("C2", "two")});
    rig.page.cmdCall_Conversation_Click();

    QLineEdit *edit = rig.ids()->lineEdit();
    edit->selectAll();
    QTest::keyClicks(edit, "C2");
    QTest::keyClick(edit, Qt::Key_Return);
    emit edit->editingFinished(); // as when the field loses focus

    QCOMPARE(rig.text("txtServer_user_id").trimmed(), QStringLiteral("one"));
}

void TestConversationPage::fields_shownAsStored_data()
{
    QTest::addColumn<QString>("box");
    QTest::addColumn<QString>("shown");
    const QString b24(24, ' ');
    const QString b28(28, ' ');
    const QList<std::pair<const char *, QString>> rows{
        {"txtServer_user_id", "SUSR" + b28}, // four characters and 28 blanks
        {"txtServer_P_user", "SPHY" + b24},    {"txtS_P_User_id_C", "SCHR" + b24},
        {"txtServer_token", "  ST" + b28},     {"txtClient_user_id", "CUSR" + b28},
        {"txtClient_P_User_id", "CPHY" + b24}, {"txtC_P_user_id_c", "CCHR" + b24},
        {"txtClient_token", "CTOK" + b28},     {"txtServer_class", "CLAS" + b28},
        {"txtServer_name", "NAME" + b28},      {"txtService", "SERV" + b28},
        {"txtConv_time_out", "300"},           {"txtLast_active_conv", "-42"},
    };
    for (const auto &[box, shown] : rows)
        QTest::newRow(box) << box << shown;
}

void TestConversationPage::fields_shownAsStored()
{
    QFETCH(QString, box);
    QFETCH(QString, shown);
    ConversationReply r;
    r.setText<"conversation_id">("C1");
    r.setText<"server_user_id">("SUSR");
    r.setText<"server_p_user_id">("SPHY");
    r.setText<"server_p_user_id_char">("SCHR");
    r.setText<"server_token">("  ST");
    r.setText<"client_user_id">("CUSR");
    r.setText<"client_p_user_id">("CPHY");
    r.setText<"client_p_user_id_char">("CCHR");
    r.setText<"client_token">("CTOK");
    r.setText<"conv_server_class">("CLAS");
    r.setText<"conv_server_name">("NAME");
    r.setText<"conv_service">("SERV");
    r.setInt32<"conv_time_out">(300);
    r.setInt32<"last_active_conv">(-42);
    Rig rig;
    script(rig.fake, {raw(r)});

    rig.page.cmdCall_Conversation_Click();

    QCOMPARE(rig.text(box), shown);
    // The start stays in sight, not the trailing blanks.
    QCOMPARE(rig.find<QLineEdit>(box)->cursorPosition(), 0);
}

void TestConversationPage::convType_decodedFromReply_data()
{
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("shown");
    const QList<std::pair<int, const char *>> rows{
        {0, "Conversational"}, {1, "Non-conversational"}, {2, "2"}, {-1, "-1"}};
    for (const auto &[code, shown] : rows)
        QTest::addRow("%d", code) << code << shown;
}

void TestConversationPage::convType_decodedFromReply()
{
    QFETCH(int, code);
    QFETCH(QString, shown);
    Rig rig;
    script(rig.fake, {conversation("C1", {}, qint16(code))});
    rig.page.cmdCall_Conversation_Click();
    QCOMPARE(rig.text("txtConv_type"), shown);
}

void TestConversationPage::convType_decodedWhenTyped_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("shown");
    // Every keystroke is a change: only texts that never pass through "0" or "1" stay.
    const QList<std::pair<const char *, const char *>> rows{
        {"0", "Conversational"},
        {"1", "Non-conversational"},
        {"2", "2"},
        {" 1", " 1"},
        {"-1", "-1"},
    };
    for (const auto &[typed, shown] : rows)
        QTest::newRow(typed) << typed << shown;
}

void TestConversationPage::convType_decodedWhenTyped()
{
    QFETCH(QString, typed);
    QFETCH(QString, shown);
    Rig rig;
    QTest::keyClicks(rig.find<QLineEdit>("txtConv_type"), typed);
    QCOMPARE(rig.text("txtConv_type"), shown);
}

void TestConversationPage::tableLimit_hundredStored_hundredAndFirstEndsProgram_data()
{
    test::addTableLimitRows(100);
}

void TestConversationPage::tableLimit_hundredStored_hundredAndFirstEndsProgram()
{
    QFETCH(int, objects);
    QFETCH(bool, ends);
    Rig rig;
    test::scriptConversation(rig.fake, objects,
                             [](int i) { return conversation(test::convIdFor(i)); });

    if (ends) {
        QVERIFY_THROWS_EXCEPTION(test::ProgramEnded, rig.page.cmdCall_Conversation_Click());
        test::verifyEndedOnFullTable(rig.presenter);
        // Nothing after the query ran.
        QCOMPARE(rig.ids()->count(), 0);
        QVERIFY(!rig.find("cmdShow_headerCO")->isEnabled());
        QCOMPARE(rig.find<QPushButton>("cmdCall_Conversation")->text(),
                 QStringLiteral("Call Broker"));
    } else {
        rig.page.cmdCall_Conversation_Click();
        QCOMPARE(rig.page.table().count(), 100);
        QCOMPARE(rig.ids()->count(), 99);
        QVERIFY(rig.presenter.shown.isEmpty());
    }
}

void TestConversationPage::refresh_emptiesListFirst_boxesKeepOldUntilNewShown()
{
    Rig rig;
    script(rig.fake, {conversation("OLD", "old user")});
    rig.page.cmdCall_Conversation_Click();

    rig.fake.restart();
    script(rig.fake, {conversation("NEW1", "new user"), conversation("NEW2")});
    int listedDuringCall = -1;
    QString boxDuringCall;
    rig.fake.script[0].extra = [&](auto...) {
        listedDuringCall = rig.ids()->count();
        boxDuringCall = rig.text("txtServer_user_id").trimmed();
    };

    rig.page.cmdCall_Conversation_Click();

    QCOMPARE(listedDuringCall, 0);
    QCOMPARE(boxDuringCall, QStringLiteral("old user"));
    QCOMPARE(rig.listed(), QStringList({"NEW1", "NEW2"}));
    QCOMPARE(rig.text("txtServer_user_id").trimmed(), QStringLiteral("new user"));
}

void TestConversationPage::noConversations_isOrdinary_emptyListAndBoxes()
{
    Rig rig;
    script(rig.fake, {conversation("OLD", "old user")});
    rig.page.cmdCall_Conversation_Click();
    rig.fake.restart();
    // The opening call ends the conversation and leaves a blank object behind.
    rig.fake.script.append(scriptedCall("0003", 0, conversation(QByteArray(16, ' '))));

    rig.page.cmdCall_Conversation_Click();

    QVERIFY(rig.presenter.shown.isEmpty());
    QCOMPARE(rig.page.table().count(), 1);
    QCOMPARE(rig.ids()->count(), 0);
    QCOMPARE(rig.ids()->currentText(), QString());
    for (const char *box : {"txtServer_user_id", "txtConv_type"})
        QCOMPARE(rig.text(box), QString());
    QVERIFY(rig.find("cmdShow_headerCO")->isEnabled());
    QCOMPARE(rig.find<QPushButton>("cmdCall_Conversation")->text(), QStringLiteral("Refresh"));
}

void TestConversationPage::noConversations_serviceBoxesKeepLastWriter_data()
{
    QTest::addColumn<bool>("conversationFirst");
    QTest::addColumn<QString>("serviceClass");
    QTest::newRow("written by the service query") << false << QStringLiteral("CLASS   ");
    QTest::newRow("written by the service query after a conversation")
        << true << QStringLiteral("CLASS");
}

// At start the service query writes the boxes just before a conversation query that
// may find nothing.
void TestConversationPage::noConversations_serviceBoxesKeepLastWriter()
{
    QFETCH(bool, conversationFirst);
    QFETCH(QString, serviceClass);
    Rig rig;
    if (conversationFirst) {
        script(rig.fake, {conversation("OLD", "old user")});
        rig.page.cmdCall_Conversation_Click();
        rig.fake.restart();
    }
    rig.page.showService(serviceClass, QStringLiteral(" NAME"), QStringLiteral("SERVICE"));
    rig.fake.script.append(scriptedCall("0003", 0, conversation(QByteArray(16, ' '))));

    rig.page.cmdCall_Conversation_Click();

    QCOMPARE(rig.ids()->count(), 0);
    QCOMPARE(rig.text("txtServer_class"), serviceClass);
    QCOMPARE(rig.text("txtServer_name"), QStringLiteral(" NAME"));
    QCOMPARE(rig.text("txtService"), QStringLiteral("SERVICE"));
    QCOMPARE(rig.text("txtServer_user_id"), QString());
}

void TestConversationPage::showHeader_showsLastReplysHeader()
{
    Rig rig;
    ConversationReply closing;
    closing.setText<"conversation_id">("C1");
    closing.setInt32<"error_code">(-7);
    closing.setInt32<"total_num_objects">(1);
    rig.fake.script = {scriptedCall("0000", 0, conversation("C1")),
                       scriptedCall("0003", 1, raw(closing))};
    rig.page.cmdCall_Conversation_Click();

    QTest::mouseClick(rig.find<QPushButton>("cmdShow_headerCO"), Qt::LeftButton);

    test::verifyHeaderBox(rig.host, "txtHerror_code", QStringLiteral("-7"));
    test::verifyHeaderBox(rig.host, "txtHtotal_num_objects", QStringLiteral("1"));
    rig.host.dialog->hide();
}

QTEST_MAIN(TestConversationPage)
#include "tst_conversation_page.moc"
