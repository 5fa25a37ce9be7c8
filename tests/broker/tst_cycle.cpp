// The information call cycle against a scripted Broker: what goes out on every call,
// what is stored, what the user is shown.

#include "fake_entry_point.h"
#include "info_cycle.h"
#include "object_table.h"
#include "recording_view.h"
#include "reply_header.h"

#include <QTest>

using namespace morvain;
using namespace morvain::test;

namespace
{

namespace layout
{
inline constexpr std::array<wire::Field, 2> testObject{{
    {"tag", 32, 8, wire::Encoding::Text},
    {"gap", 40, 4, wire::Encoding::Padding},
}};
inline constexpr auto testReply = replyFields(testObject);
} // namespace layout
using TestReply = wire::Record<layout::testReply, 44>;

QByteArray replyTagged(const QByteArray &tag)
{
    TestReply r;
    r.setText<"tag">(QString::fromLatin1(tag));
    r.setInt32<"error_code">(-7);
    return QByteArray(reinterpret_cast<const char *>(r.data()), TestReply::size);
}

const ListKind *kindNamed(const QString &name)
{
    for (const ListKind *k :
         {&kinds::worker, &kinds::service, &kinds::clientServer, &kinds::conversation})
        if (name == QLatin1String(k->name))
            return k;
    return nullptr;
}

struct Harness {
    FakeEntryPoint fake;
    RecordingView view;
    InfoCycle cycle{fake, view};
    TestReply reply;
    ObjectTable<TestReply, 1000> table;

    Harness() { cycle.startUp({"user", "", "", "", ""}); }
    void run(const ListKind &kind)
    {
        cycle.runList(kind, replyArea(reply), [this] { table.store(reply); });
    }
    QStringList storedTags() const
    {
        QStringList tags;
        for (int z = 1; z <= table.count(); ++z)
            tags << table.slot(z).text<"tag">().trimmed();
        return tags;
    }
};

void addKindRows()
{
    QTest::addColumn<QString>("kind");
    for (const char *k : {"worker", "service", "client/server", "conversation"})
        QTest::newRow(k) << QString(k);
}

} // namespace

class TestCycle : public QObject
{
    Q_OBJECT
private slots:
    void threeObjectsThenEnd_storesPerKind_data();
    void threeObjectsThenEnd_storesPerKind();
    void everyCall_sendsTheKindsRequest_data() { addKindRows(); }
    void everyCall_sendsTheKindsRequest();
    void followUpCall_sendsReturnedConversationIdUnchanged();
    void endOnOpeningCall_storesOneReply_data();
    void endOnOpeningCall_storesOneReply();
    void userMissing_messagesPerCall_data();
    void userMissing_messagesPerCall();
    void resultCode_isComparedOverAllFourBytes();
    void statusBar_showsOpeningOrLastErrorText_data();
    void statusBar_showsOpeningOrLastErrorText();
    void brokerQuery_singleCallNoMessages_data();
    void brokerQuery_singleCallNoMessages();
    void libraryWrittenValues_goOutAgain_butPaddingGoesOutZero();
    void fullTable_failsWithNumber9_data();
    void fullTable_failsWithNumber9();
    void reset_leavesEverySlotZero_data();
    void reset_leavesEverySlotZero();
};

void TestCycle::threeObjectsThenEnd_storesPerKind_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QStringList>("stored");
    QTest::newRow("worker") << "worker" << QStringList{"A", "B", "C"};
    // The closing reply finds the record as the third call left it and is stored too.
    for (const char *k : {"service", "client/server", "conversation"})
        QTest::newRow(k) << QString(k) << QStringList{"A", "B", "C", "C"};
}

void TestCycle::threeObjectsThenEnd_storesPerKind()
{
    QFETCH(QString, kind);
    QFETCH(QStringList, stored);
    Harness h;
    scriptConversation(h.fake, 3, [](int i) { return replyTagged(QByteArray(1, char('A' + i))); });
    h.run(*kindNamed(kind));
    QCOMPARE(h.fake.sent.size(), 4);
    QCOMPARE(h.storedTags(), stored);
    QVERIFY(h.cycle.eocFlag());
    QVERIFY(h.view.boxes.isEmpty());
    QCOMPARE(h.reply.int32<"error_code">(), -7); // the last reply stays in the record
}

void TestCycle::everyCall_sendsTheKindsRequest()
{
    QFETCH(QString, kind);
    const ListKind &k = *kindNamed(kind);
    Harness h;
    // A library that scribbles over the request: every call still sends the template.
    h.fake.generator = [](int i) {
        ScriptedCall c;
        c.resultCode = i < 2 ? "0000" : "0003";
        c.extra = [](std::uint8_t *, std::uint8_t *rq, std::uint8_t *, std::uint8_t *) {
            std::memset(rq, 0x55, 220);
        };
        return c;
    };
    h.run(k);
    QCOMPARE(h.fake.sent.size(), 3);
    for (const SentCall &s : h.fake.sent) {
        InfoRequest rq;
        std::memcpy(rq.data(), s.request.constData(), 220);
        QCOMPARE(rq.int32<"object_length">(), k.objectLength);
        QCOMPARE(rq.int16<"word_4">(), 1);
        QCOMPARE(rq.int16<"word_6">(), 0);
        QCOMPARE(rq.int16<"object_kind">(), k.objectKind);
        QCOMPARE(s.request.mid(10, 210), QByteArray(210, '\0'));
    }
}

void TestCycle::followUpCall_sendsReturnedConversationIdUnchanged()
{
    Harness h;
    const QByteArray odd("\0ID with\x01"
                         "bytes  ",
                         16);
    h.fake.script = {{"0000", odd, {}, {}, {}, 0},
                     {"0000", "SECOND", {}, {}, {}, 0},
                     {"0003", "THIRD", {}, {}, {}, 0}};
    h.run(kinds::service);
    QCOMPARE(h.fake.sent.size(), 3);
    const auto cb = [&](int i) { return h.fake.sent[i].controlBlock; };
    QCOMPARE(int(cb(0)[2]), 1);
    QCOMPARE(cb(0).mid(308, 8), QByteArray("YES     "));
    QCOMPARE(cb(0).mid(292, 16), QByteArray("NEW             "));
    QCOMPARE(int(cb(1)[2]), 2);
    QCOMPARE(cb(1).mid(308, 8), QByteArray("NO      "));
    QCOMPARE(cb(1).mid(292, 16), odd);
    QCOMPARE(cb(2).mid(292, 16), QByteArray("SECOND          "));
    QCOMPARE(h.cycle.lastConvId(), QByteArray("THIRD           "));

    // The next query starts a new conversation, never a continuation.
    h.fake.restart();
    h.run(kinds::service);
    QCOMPARE(h.fake.sent[0].controlBlock.mid(292, 16), QByteArray("NEW             "));
    QCOMPARE(int(h.fake.sent[0].controlBlock[2]), 1);
}

void TestCycle::endOnOpeningCall_storesOneReply_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QStringList>("boxes");
    QTest::newRow("worker") << "worker" << QStringList{};
    QTest::newRow("service") << "service" << QStringList{"EOC true!!!"};
    QTest::newRow("client/server") << "client/server" << QStringList{};
    QTest::newRow("conversation") << "conversation" << QStringList{};
}

void TestCycle::endOnOpeningCall_storesOneReply()
{
    QFETCH(QString, kind);
    Harness h;
    h.fake.script = {{"0003", "ONLY", {}, replyTagged("ONLY"), {}, 0}};
    h.run(*kindNamed(kind));
    QCOMPARE(h.fake.sent.size(), 1);
    QCOMPARE(h.storedTags(), QStringList{"ONLY"});
    QTEST(h.view.boxes, "boxes");
}

void TestCycle::userMissing_messagesPerCall_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QStringList>("boxes");
    QTest::addColumn<int>("stored");
    QTest::newRow("worker") << "worker"
                            << QStringList{"User does not exist!", "User does not exist!"} << 2;
    for (const char *k : {"service", "client/server", "conversation"})
        QTest::newRow(k) << QString(k) << QStringList{"User does not exist!", "User does not exist"}
                         << 3;
}

void TestCycle::userMissing_messagesPerCall()
{
    QFETCH(QString, kind);
    Harness h;
    // "0002" does not stop the cycle: the reply is stored and the next call goes out.
    h.fake.script = {{"0002", "C1", {}, replyTagged("A"), {}, 0},
                     {"0002", "C2", {}, replyTagged("B"), {}, 0},
                     {"0003", "C3", {}, {}, {}, 0}};
    h.run(*kindNamed(kind));
    QTEST(h.view.boxes, "boxes");
    QTEST(h.table.count(), "stored");
    QCOMPARE(h.fake.sent[2].controlBlock.mid(292, 16), QByteArray("C2              "));
}

void TestCycle::resultCode_isComparedOverAllFourBytes()
{
    Harness h;
    h.fake.script = {{"003 ", "A", {}, {}, {}, 0},
                     {" 003", "B", {}, {}, {}, 0},
                     {"0002", "C", {}, {}, {}, 0},
                     {"0003", "D", {}, {}, {}, 0}};
    h.run(kinds::service);
    QCOMPARE(h.fake.sent.size(), 4);
    QCOMPARE(h.view.boxes, QStringList{"User does not exist"});
}

void TestCycle::statusBar_showsOpeningOrLastErrorText_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QStringList>("events");
    QTest::newRow("worker") << "worker" << QStringList{"status:last", "header:last"};
    for (const char *k : {"service", "client/server", "conversation"})
        QTest::newRow(k) << QString(k) << QStringList{"status:first"};
}

void TestCycle::statusBar_showsOpeningOrLastErrorText()
{
    QFETCH(QString, kind);
    Harness h;
    h.fake.script = {{"0000", "A", "first", {}, {}, 0},
                     {"0000", "B", "middle", {}, {}, 0},
                     {"0003", "C", QByteArray("last\0hidden", 11), {}, {}, 0}};
    h.run(*kindNamed(kind));
    QTEST(h.view.events, "events");
}

void TestCycle::brokerQuery_singleCallNoMessages_data()
{
    QTest::addColumn<QByteArray>("resultCode");
    QTest::newRow("ordinary") << QByteArray("0000");
    QTest::newRow("user missing") << QByteArray("0002");
    QTest::newRow("end") << QByteArray("0003");
}

void TestCycle::brokerQuery_singleCallNoMessages()
{
    QFETCH(QByteArray, resultCode);
    Harness h;
    h.fake.script = {{resultCode, "X", "broker says", replyTagged("BRK"), {}, 0}};
    h.cycle.runBroker(replyArea(h.reply));
    QCOMPARE(h.fake.sent.size(), 1);
    QVERIFY(h.view.boxes.isEmpty());
    QCOMPARE(h.view.events, (QStringList{"status:broker says", "header:broker says"}));
    InfoRequest rq;
    std::memcpy(rq.data(), h.fake.sent[0].request.constData(), 220);
    QCOMPARE(rq.int32<"object_length">(), 92);
    QCOMPARE(rq.int16<"object_kind">(), 7);
    QCOMPARE(rq.int16<"word_4">(), 1); // set once at start-up, never by this query
    QCOMPARE(h.reply.text<"tag">().trimmed(), QString("BRK"));
}

void TestCycle::libraryWrittenValues_goOutAgain_butPaddingGoesOutZero()
{
    Harness h;
    h.fake.script = {{"0000",
                      "A",
                      "err",
                      {},
                      [](auto *cb, auto *, auto *rp, auto *et) {
                          std::memcpy(cb + 164, "CHANGED BY LIBRARY", 18);
                          cb[523] = 0x7f; // control block padding
                          rp[40] = 0x7f;  // reply padding
                          rp[32] = 'Q';   // an ordinary reply field
                          et[40] = 'X';   // one byte past the 40 characters
                      }},
                     {"0003", "B", {}, {}, {}, 0}};
    h.run(kinds::service);
    const QByteArray second = h.fake.sent[1].controlBlock;
    QCOMPARE(second.mid(164, 18), QByteArray("CHANGED BY LIBRARY"));
    QCOMPARE(int(second[523]), 0);
    QCOMPARE(int(h.fake.sent[1].errorText[40]), 0);
    QCOMPARE(h.fake.sent[1].errorText.left(3), QByteArray("err")); // the text goes out again
    QCOMPARE(h.reply.data()[40], std::uint8_t(0));
    QCOMPARE(h.reply.data()[32], std::uint8_t('Q'));
}

void TestCycle::fullTable_failsWithNumber9_data()
{
    QTest::addColumn<int>("capacity");
    QTest::newRow("1000 capacity") << 1000;
    QTest::newRow("100 capacity") << 100;
}

void TestCycle::fullTable_failsWithNumber9()
{
    QFETCH(int, capacity);
    ObjectTable<TestReply, 1000> big;
    ObjectTable<TestReply, 100> small;
    const auto store = [&](const TestReply &r) {
        capacity == 1000 ? big.store(r) : small.store(r);
    };
    TestReply r;
    for (int i = 0; i < capacity; ++i)
        store(r);
    try {
        store(r);
        QFAIL("the store beyond the last slot went through");
    } catch (const QueryFailure &f) {
        QCOMPARE(f.number(), 9);
    }
    QCOMPARE(capacity == 1000 ? big.count() : small.count(), capacity + 1);
}

void TestCycle::reset_leavesEverySlotZero_data()
{
    QTest::addColumn<int>("stored");
    QTest::newRow("a few") << 3;
    QTest::newRow("every slot") << 100;
    QTest::newRow("one beyond") << 101;
}

// Reset clears only what was stored; slots never written must stay zero too.
void TestCycle::reset_leavesEverySlotZero()
{
    QFETCH(int, stored);
    ObjectTable<TestReply, 100> table;
    TestReply r;
    std::fill(r.data(), r.data() + TestReply::size, std::uint8_t(0xa5));
    for (int round = 0; round < 2; ++round) {
        for (int i = 0; i < stored; ++i) {
            try {
                table.store(r);
            } catch (const QueryFailure &) {
            }
        }
        table.reset();
        QCOMPARE(table.count(), 0);
        for (int z = 1; z <= 100; ++z)
            QVERIFY2(table.slot(z) == TestReply{}, qPrintable(QString::number(z)));
    }
}

QTEST_GUILESS_MAIN(TestCycle)
#include "tst_cycle.moc"
