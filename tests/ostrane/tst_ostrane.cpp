// The stand-in client library, called through its one entry point with records built
// from raw bytes at the broker's documented offsets, independently of the library's own
// tables and of the program's records. Every buffer is followed by guard bytes.

#include "exchange.h"
#include "ostrane.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QRandomGenerator>
#include <QScopeGuard>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>

#include <QtEndian>
#include <algorithm>
#include <cstring>

#include <dlfcn.h>

using namespace ostrane_test;

namespace
{

// libOSTRANE.so reaches dlopen through the global scope, where this executable comes
// first: while set, libcurl is "missing" for it.
bool refuse_libcurl = false;

bool libcurlMapped()
{
    QFile maps("/proc/self/maps");
    return maps.open(QIODevice::ReadOnly) && maps.readAll().contains("libcurl");
}

QString libraryFolder()
{
    Dl_info info{};
    if (!dladdr(reinterpret_cast<void *>(&ostrane_entry_1), &info) || !info.dli_fname)
        return {};
    return QFileInfo(QString::fromLocal8Bit(info.dli_fname)).absolutePath();
}

} // namespace

extern "C" void *dlopen(const char *file, int mode) noexcept
{
    using Open = void *(*)(const char *, int);
    static const auto real = reinterpret_cast<Open>(dlsym(RTLD_NEXT, "dlopen"));
    if (refuse_libcurl && file && std::strstr(file, "libcurl"))
        return nullptr;
    return real(file, mode);
}

class tst_Ostrane : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        qputenv("OSTRANE_SCENARIO_DIR", OSTRANE_TEST_SCENARIOS);
        // No named brokers of the person running the tests: none hides a scenario.
        qputenv("OSTRANE_BROKERS", OSTRANE_TEST_SCENARIOS "/no-such-brokers.json");
    }

    // The information conversation
    void conversation_answersEachObjectThenEnd_data();
    void conversation_answersEachObjectThenEnd();
    void emptyKind_answersEndOnOpeningCall_data();
    void emptyKind_answersEndOnOpeningCall();
    void brokerObject_isAnsweredByOneCall();
    void followUp_ofAnotherKind_isRefused();
    void openConversations_areBoundedOldestDropped();

    // Scenario files
    void scenarioField_landsAtItsOffset_data();
    void scenarioField_landsAtItsOffset();
    void header_reportsTotalsAndLongestTexts_data();
    void header_reportsTotalsAndLongestTexts();
    void scriptedCalls_setResultTextHeaderAndConvId();
    void scriptedCalls_withoutObject_andEndless0002();
    void scriptedBrokerCall_fillsAllFortyCharacters();
    void scriptedErrorCode_reachesOpeningAndClosingReplies_data();
    void scriptedErrorCode_reachesOpeningAndClosingReplies();
    void repeatedEntries_fillTablesBeyondTheirSlots_data();
    void repeatedEntries_fillTablesBeyondTheirSlots();
    void scenarioFolder_defaultsToBesideTheLibrary();
    void scenarioFile_isReadAgainWhenItChanges_data();
    void scenarioFile_isReadAgainWhenItChanges();

    // The built-in demo broker
    void demoBroker_coversEveryCode_data();
    void demoBroker_coversEveryCode();
    void demoBroker_runTimeAndCountersAdvance();
    void demoAndScenarios_leaveLibcurlUnloaded();

    // Robustness
    void refusedCall_writesResultTextAndFailedHeaderOnly_data();
    void refusedCall_writesResultTextAndFailedHeaderOnly();
    void nullRecord_returnsNegativeAndTouchesNothing_data();
    void nullRecord_returnsNegativeAndTouchesNothing();
    void arbitraryBytes_neverWriteOutsideTheRecords();
    // Last: the first broker URL of the process loads libcurl, once.
    void brokerUrl_withoutLibcurl_endsAsAnUnreachableBroker();
};

void tst_Ostrane::conversation_answersEachObjectThenEnd_data()
{
    QTest::addColumn<int>("code");
    QTest::addColumn<int>("replySize");
    QTest::addColumn<int>("idOffset");
    QTest::addColumn<int>("idWidth");
    QTest::addColumn<QByteArrayList>("ids");

    QTest::newRow("workers") << worker.code << worker.replySize << 32 << 2
                             << QByteArrayList{le16(11), le16(12), le16(-1)};
    QTest::newRow("services") << service.code << service.replySize << 96 << 8
                              << QByteArrayList{"POST    ", "BALANCE ", "VALUATIO"};
    QTest::newRow("users") << user.code << user.replySize << 32 << 8
                           << QByteArrayList{"M\xfcller  ", "CLIENT2 ", "        "};
    QTest::newRow("conversations")
        << conversation.code << conversation.replySize << 32 << 8
        << QByteArrayList{"CONV-A  ", "  CONV-B", QByteArray("CONV\0C  ", 8)};
}

void tst_Ostrane::conversation_answersEachObjectThenEnd()
{
    QFETCH(int, code);
    QFETCH(int, replySize);
    QFETCH(int, idOffset);
    QFETCH(int, idWidth);
    QFETCH(QByteArrayList, ids);

    Exchange x({code, replySize}, "basic");
    QByteArray convId;
    for (int i = 0; i < ids.size(); ++i) {
        QCOMPARE(x.call(), 0);
        QVERIFY(x.resultCode() != "0003" && x.resultCode() != "0002");
        if (i == 0) {
            convId = x.convId();
            QVERIFY2(!convId.contains(' ') && !convId.contains('\0'), convId.constData());
            QVERIFY(convId != padded("NEW", 16));
        }
        QCOMPARE(x.convId(), convId); // the same conversation throughout
        QCOMPARE(x.reply.mid(idOffset, idWidth), ids[i]);
        QCOMPARE(x.header(1), ids.size());
        QCOMPARE(x.header(2), 1);
        QVERIFY(x.guardsIntact());
        x.followUp(x.convId());
    }

    const QByteArray lastObject = x.object();
    QCOMPARE(x.call(), 0);
    QCOMPARE(x.resultCode(), QByteArray("0003"));
    QCOMPARE(x.object(), lastObject); // the object area keeps the last object
    QCOMPARE(x.header(2), 0);
    QVERIFY(x.guardsIntact());

    // A finished conversation is forgotten.
    x.followUp(convId);
    QVERIFY(x.call() < 0);
    QCOMPARE(x.resultCode(), QByteArray("0003"));
    QVERIFY(x.text().startsWith("Unknown conversation ID"));
}

void tst_Ostrane::emptyKind_answersEndOnOpeningCall_data()
{
    QTest::addColumn<int>("code");
    QTest::addColumn<int>("replySize");
    QTest::newRow("broker") << broker.code << broker.replySize;
    QTest::newRow("workers") << worker.code << worker.replySize;
    QTest::newRow("services") << service.code << service.replySize;
    QTest::newRow("users") << user.code << user.replySize;
    QTest::newRow("conversations") << conversation.code << conversation.replySize;
}

void tst_Ostrane::emptyKind_answersEndOnOpeningCall()
{
    QFETCH(int, code);
    QFETCH(int, replySize);
    Exchange x({code, replySize}, "empty");
    QCOMPARE(x.call(), 0);
    QCOMPARE(x.resultCode(), QByteArray("0003"));
    // No leftover passes for an object: the opening call writes a blank one (text fields
    // blank, numbers zero) over whatever the reply held.
    const QByteArray object = x.object();
    QCOMPARE(object.size(), replySize - 32);
    QVERIFY(std::all_of(object.begin(), object.end(), [](char c) { return c == ' ' || c == 0; }));
    QCOMPARE(x.header(1), 0);
    QVERIFY(x.guardsIntact());
}

void tst_Ostrane::brokerObject_isAnsweredByOneCall()
{
    Exchange x(broker, "basic");
    QCOMPARE(x.call(), 0);
    QCOMPARE(x.resultCode(), QByteArray("0000"));
    QCOMPARE(x.reply.mid(32, 8), QByteArray("TESTPLAT"));
    QCOMPARE(x.header(1), 1);
    QCOMPARE(x.convId().size(), 16);
    QVERIFY(x.guardsIntact());

    // There is nothing to follow up.
    x.followUp(x.convId());
    QVERIFY(x.call() < 0);
    QCOMPARE(x.resultCode(), QByteArray("0003"));
}

void tst_Ostrane::followUp_ofAnotherKind_isRefused()
{
    Exchange services(service, "basic");
    QCOMPARE(services.call(), 0);

    Exchange users(user, "basic");
    users.followUp(services.convId());
    QVERIFY(users.call() < 0);
    QVERIFY(users.text().startsWith("Conversation is of another object kind"));
    QCOMPARE(users.header(0), 12);
    QCOMPARE(users.object(), QByteArray(user.replySize - 32, untouched));
    QVERIFY(users.guardsIntact());

    // The service conversation goes on undisturbed.
    services.followUp(services.convId());
    QCOMPARE(services.call(), 0);
    QCOMPARE(services.reply.mid(96, 7), QByteArray("BALANCE"));
}

void tst_Ostrane::openConversations_areBoundedOldestDropped()
{
    QByteArrayList ids;
    for (int i = 0; i < 100; ++i) {
        Exchange x(service, "basic");
        QCOMPARE(x.call(), 0);
        ids << x.convId();
    }
    QCOMPARE(QSet<QByteArray>(ids.begin(), ids.end()).size(), ids.size());

    Exchange oldest(service, "basic");
    oldest.followUp(ids.first());
    QVERIFY(oldest.call() < 0);
    QVERIFY(oldest.text().startsWith("Unknown conversation ID"));

    Exchange newest(service, "basic");
    newest.followUp(ids.last());
    QCOMPARE(newest.call(), 0);
    QCOMPARE(newest.reply.mid(96, 7), QByteArray("BALANCE"));
}

void tst_Ostrane::scenarioField_landsAtItsOffset_data()
{
    QTest::addColumn<int>("code");
    QTest::addColumn<int>("replySize");
    QTest::addColumn<int>("object"); // 1-based
    QTest::addColumn<int>("offset");
    QTest::addColumn<QByteArray>("bytes");

    QTest::newRow("broker platform") << 7 << 124 << 1 << 32 << QByteArray("TESTPLAT");
    QTest::newRow("broker run_time") << 7 << 124 << 1 << 40 << le32(3725);
    QTest::newRow("broker sizes after both buffer groups")
        << 7 << 124 << 1 << 68 << le32(6) + le32(7) + le32(8) + le32(9);
    QTest::newRow("broker trace level, last int16") << 7 << 124 << 1 << 120 << le16(-2) + le16(19);
    QTest::newRow("worker id 65535 wraps") << 8 << 44 << 3 << 32 << le16(-1) + le16(7);
    QTest::newRow("worker sums") << 8 << 44 << 3 << 36 << le32(2147483647) + le32(3600);
    QTest::newRow("service translation") << 6 << 192 << 1 << 128 << QByteArray("TR8CHARS");
    QTest::newRow("service first counters") << 6 << 192 << 1 << 136 << le32(300) + le32(1);
    QTest::newRow("service req_sum") << 6 << 192 << 1 << 188 << le32(-42);
    QTest::newRow("service unset text is blanks, unset number zero")
        << 6 << 192 << 2 << 128 << QByteArray(8, ' ') + le32(0);
    QTest::newRow("service leading blanks kept") << 6 << 192 << 3 << 32 << padded("  STOCK", 32);
    QTest::newRow("user Latin-1 id") << 1 << 308 << 1 << 32 << padded("M\xfcller", 32);
    QTest::newRow("user codes") << 1 << 308 << 1 << 152
                                << le16(-1) + le16(1) + le16(5) + le16(9) + padded("NEW", 16);
    QTest::newRow("user wait_new top bit, zero gap")
        << 1 << 308 << 1 << 288 << le16(qint16(40000 - 65536)) + le16(0);
    QTest::newRow("user last field") << 1 << 308 << 1 << 304 << le32(77);
    QTest::newRow("user empty id is blanks") << 1 << 308 << 3 << 32 << QByteArray(32, ' ');
    QTest::newRow("conversation zero byte in id")
        << 4 << 396 << 3 << 32 << padded(QByteArray("CONV\0C", 6), 16);
    QTest::newRow("conversation client token")
        << 4 << 396 << 1 << 256 << padded("TOKEN-OF-CLIENT-2", 32);
    QTest::newRow("conversation tail")
        << 4 << 396 << 1 << 384 << le32(300) + le32(-5) + le16(0) + le16(394);
}

void tst_Ostrane::scenarioField_landsAtItsOffset()
{
    QFETCH(int, code);
    QFETCH(int, replySize);
    QFETCH(int, object);
    QFETCH(int, offset);
    QFETCH(QByteArray, bytes);

    const QList<QByteArray> replies = walk({code, replySize}, "basic");
    QVERIFY(replies.size() >= object);
    QCOMPARE(replies[object - 1].mid(offset, bytes.size()), bytes);
}

void tst_Ostrane::header_reportsTotalsAndLongestTexts_data()
{
    QTest::addColumn<int>("code");
    QTest::addColumn<int>("replySize");
    QTest::addColumn<QList<int>>("header");
    // error_code, total, current, server class, server name, service, user ID, token
    QTest::newRow("broker") << 7 << 124 << QList<int>{0, 1, 1, 0, 0, 0, 0, 0};
    QTest::newRow("workers") << 8 << 44 << QList<int>{0, 3, 1, 0, 0, 0, 0, 0};
    QTest::newRow("services") << 6 << 192 << QList<int>{0, 3, 1, 7, 6, 31, 0, 0};
    QTest::newRow("users") << 1 << 308 << QList<int>{0, 3, 1, 4, 6, 4, 7, 17};
    QTest::newRow("conversations") << 4 << 396 << QList<int>{0, 3, 1, 4, 6, 4, 7, 17};
}

void tst_Ostrane::header_reportsTotalsAndLongestTexts()
{
    QFETCH(int, code);
    QFETCH(int, replySize);
    QFETCH(QList<int>, header);
    Exchange x({code, replySize}, "basic");
    QCOMPARE(x.call(), 0);
    QList<int> got;
    for (int i = 0; i < 8; ++i)
        got << x.header(i);
    QCOMPARE(got, header);
}

void tst_Ostrane::scriptedCalls_setResultTextHeaderAndConvId()
{
    Exchange x(service, "scripted");
    QCOMPARE(x.call(), 0);
    QCOMPARE(x.resultCode(), QByteArray("0002"));
    QCOMPARE(x.text(), padded(QByteArray("User\0gone", 9), 40));
    QCOMPARE(x.header(0), 17);
    QCOMPARE(x.header(1), 4);
    QCOMPARE(x.header(7), -1);
    QCOMPARE(x.reply.mid(96, 4), QByteArray("SVC1"));

    x.followUp(x.convId());
    QCOMPARE(x.call(), 0);
    QCOMPARE(x.convId(), QByteArray("SCRIPTED-CONV-01"));
    QCOMPARE(x.text(), padded("Scripted", 40));
    QCOMPARE(x.header(0), 0);
    QCOMPARE(x.reply.mid(96, 4), QByteArray("SVC2"));

    // The conversation is now known under the broker's chosen ID; "0003" with an object.
    x.followUp("SCRIPTED-CONV-01");
    QCOMPARE(x.call(), 0);
    QCOMPARE(x.resultCode(), QByteArray("0003"));
    QCOMPARE(x.text(), padded("Closed early", 40));
    QCOMPARE(x.reply.mid(96, 4), QByteArray("SVC3"));

    x.followUp("SCRIPTED-CONV-01");
    QVERIFY(x.call() < 0);
    QVERIFY(x.guardsIntact());
}

void tst_Ostrane::scriptedCalls_withoutObject_andEndless0002()
{
    Exchange workers(worker, "scripted");
    QCOMPARE(workers.call(), 0);
    QCOMPARE(workers.resultCode(), QByteArray("0000"));
    QCOMPARE(workers.text(), padded("Warming up", 40));
    QCOMPARE(workers.object(), QByteArray(12, untouched));
    QCOMPARE(workers.header(2), 0);
    for (qint16 id : {1, 2}) {
        workers.followUp(workers.convId());
        QCOMPARE(workers.call(), 0);
        QCOMPARE(int16At(workers.reply, 32), id);
    }
    workers.followUp(workers.convId());
    QCOMPARE(workers.call(), 0);
    QCOMPARE(workers.resultCode(), QByteArray("0003"));

    // "0002" on every call: the conversation never ends, the area keeps the last user.
    Exchange users(user, "scripted");
    for (int call = 1; call <= 1005; ++call) {
        QCOMPARE(users.call(), 0);
        QCOMPARE(users.resultCode(), QByteArray("0002"));
        users.followUp(users.convId());
    }
    QCOMPARE(users.reply.mid(32, 13), QByteArray("ALWAYS-0002-B"));
    QVERIFY(users.guardsIntact());
}

void tst_Ostrane::scriptedErrorCode_reachesOpeningAndClosingReplies_data()
{
    QTest::addColumn<int>("code");
    QTest::addColumn<int>("replySize");
    QTest::addColumn<QByteArray>("results"); // result code of each call
    QTest::addColumn<int>("errorCode");
    QTest::newRow("object, then closing")
        << service.code << service.replySize << QByteArray("0000,0003") << 503;
    QTest::newRow("0002 without object, then closing")
        << user.code << user.replySize << QByteArray("0002,0003") << 401;
}

void tst_Ostrane::scriptedErrorCode_reachesOpeningAndClosingReplies()
{
    QFETCH(int, code);
    QFETCH(int, replySize);
    QFETCH(QByteArray, results);
    QFETCH(int, errorCode);
    Exchange x(KindInfo{code, replySize}, "failing");
    QByteArray object = x.object();
    for (const QByteArray &expected : results.split(',')) {
        QCOMPARE(x.call(), 0);
        QCOMPARE(x.resultCode(), expected);
        QCOMPARE(x.header(0), errorCode);
        if (expected != "0000") // the closing reply and the empty "0002" leave the area alone
            QCOMPARE(x.object(), object);
        object = x.object();
        x.followUp(x.convId());
    }
}

void tst_Ostrane::scriptedBrokerCall_fillsAllFortyCharacters()
{
    Exchange x(broker, "scripted");
    QCOMPARE(x.call(), 0);
    QCOMPARE(x.resultCode(), QByteArray("0042"));
    QCOMPARE(x.text(), QByteArray("1234567890123456789012345678901234567890"));
    QCOMPARE(x.header(1), 99);
    QCOMPARE(x.reply.mid(32, 8), QByteArray("SCRIPTED"));
    QVERIFY(x.guardsIntact()); // the 41st byte stays the caller's
}

struct RepeatCase {
    int code = 0;
    int replySize = 0;
    int count = 0;
    int idOffset = 0;
    int idWidth = 0;
    QByteArray lastId{};
};
Q_DECLARE_METATYPE(RepeatCase)

void tst_Ostrane::repeatedEntries_fillTablesBeyondTheirSlots_data()
{
    QTest::addColumn<RepeatCase>("c");
    QTest::newRow("workers") << RepeatCase{.code = 8,
                                           .replySize = 44,
                                           .count = 1001,
                                           .idOffset = 32,
                                           .idWidth = 2,
                                           .lastId = le16(1001)};
    QTest::newRow("services") << RepeatCase{.code = 6,
                                            .replySize = 192,
                                            .count = 1001,
                                            .idOffset = 32,
                                            .idWidth = 96,
                                            .lastId = padded("BENCH-C", 32) + padded("SRV333", 32) +
                                                      padded("SVC1001", 32)};
    QTest::newRow("users") << RepeatCase{.code = 1,
                                         .replySize = 308,
                                         .count = 1001,
                                         .idOffset = 32,
                                         .idWidth = 32,
                                         .lastId = padded("USER1001", 32)};
    QTest::newRow("conversations") << RepeatCase{.code = 4,
                                                 .replySize = 396,
                                                 .count = 101,
                                                 .idOffset = 32,
                                                 .idWidth = 16,
                                                 .lastId = "CONV000000000101"};
}

void tst_Ostrane::repeatedEntries_fillTablesBeyondTheirSlots()
{
    QFETCH(RepeatCase, c);

    const QList<QByteArray> replies = walk({c.code, c.replySize}, "many");
    QCOMPARE(replies.size(), c.count);
    QSet<QByteArray> ids;
    for (const QByteArray &r : replies)
        ids.insert(r.mid(c.idOffset, c.idWidth));
    QCOMPARE(ids.size(), c.count);
    QCOMPARE(replies.last().mid(c.idOffset, c.idWidth), c.lastId);
    QCOMPARE(int32At(replies.last(), 4), c.count);
}

void tst_Ostrane::scenarioFolder_defaultsToBesideTheLibrary()
{
    const QByteArray saved = qgetenv("OSTRANE_SCENARIO_DIR");
    qunsetenv("OSTRANE_SCENARIO_DIR");
    const QString folder = libraryFolder() + "/scenarios";
    const bool created = !QDir(folder).exists();
    QVERIFY(QDir().mkpath(folder));
    QFile file(folder + "/tst_ostrane_beside.json");
    const auto restore = qScopeGuard([&] {
        file.remove();
        if (created)
            QDir().rmdir(folder);
        qputenv("OSTRANE_SCENARIO_DIR", saved);
    });
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(R"({"broker": {"platform": "BESIDE"}})");
    file.close();

    Exchange x(broker, "tst_ostrane_beside");
    QCOMPARE(x.call(), 0);
    QCOMPARE(x.reply.mid(32, 8), QByteArray("BESIDE  "));

    Exchange elsewhere(broker, "basic"); // lies only in the tests' folder
    QVERIFY(elsewhere.call() < 0);
    QVERIFY(elsewhere.text().startsWith("Unknown broker ID basic"));
}

void tst_Ostrane::demoBroker_coversEveryCode_data()
{
    QTest::addColumn<QByteArray>("brokerId");
    QTest::newRow("blank broker ID") << QByteArray(32, ' ');
    QTest::newRow("zero broker ID") << QByteArray(32, '\0');
}

void tst_Ostrane::demoBroker_coversEveryCode()
{
    QFETCH(QByteArray, brokerId);

    const auto codes = [](const QList<QByteArray> &replies, int offset) {
        QSet<int> set;
        for (const QByteArray &r : replies)
            set.insert(int16At(r, offset));
        return set;
    };
    const auto hasOther = [](const QSet<int> &set, const QSet<int> &known) {
        return !(set - known).isEmpty();
    };

    const QList<QByteArray> workers = walk(worker, brokerId);
    QVERIFY(workers.size() >= 6);
    const QSet<int> workerStatus = codes(workers, 34);
    QVERIFY(workerStatus.contains(QSet<int>{2, 4, 5}) && hasOther(workerStatus, {2, 4, 5}));

    const QList<QByteArray> services = walk(service, brokerId);
    QVERIFY(services.size() >= 12);
    QMap<QByteArray, QSet<QByteArray>> classesOfName;
    QSet<QByteArray> triples;
    int longestClass = 0;
    for (const QByteArray &r : services) {
        classesOfName[trimmedText(r, 64, 32)].insert(trimmedText(r, 32, 32));
        triples.insert(r.mid(32, 96));
        longestClass = qMax(longestClass, int(trimmedText(r, 32, 32).size()));
    }
    QSet<QByteArray> classes;
    bool nameUnderTwoClasses = false;
    for (const QSet<QByteArray> &c : classesOfName) {
        classes.unite(c);
        nameUnderTwoClasses |= c.size() > 1;
    }
    QVERIFY(classes.size() >= 3);
    QVERIFY(nameUnderTwoClasses);
    QCOMPARE(int32At(services.first(), 4), services.size());
    QCOMPARE(int32At(services.first(), 12), longestClass);

    const QList<QByteArray> users = walk(user, brokerId);
    QVERIFY(users.size() >= 8);
    const QSet<int> charSets = codes(users, 152), endians = codes(users, 154),
                    statuses = codes(users, 156);
    QVERIFY(charSets.contains(QSet<int>{34, 66, 1, 16, 128}) &&
            hasOther(charSets, {34, 66, 1, 16, 128}));
    QVERIFY(endians.contains(QSet<int>{0, 1}) && hasOther(endians, {0, 1}));
    QVERIFY(statuses.contains(QSet<int>{0, 5}) && hasOther(statuses, {0, 5}));
    QSet<QByteArray> userIds;
    for (const QByteArray &r : users)
        userIds.insert(r.mid(32, 32));

    const QList<QByteArray> conversations = walk(conversation, brokerId);
    QVERIFY(conversations.size() >= 6);
    QVERIFY(codes(conversations, 392).contains(QSet<int>{0, 1}));
    QSet<QByteArray> convIds;
    for (const QByteArray &r : conversations) {
        QVERIFY(userIds.contains(r.mid(48, 32)));  // server
        QVERIFY(userIds.contains(r.mid(168, 32))); // client
        QVERIFY2(triples.contains(r.mid(288, 96)), r.mid(288, 96).simplified().constData());
        convIds.insert(trimmedText(r, 32, 16));
    }
    QCOMPARE(convIds.size(), conversations.size());

    Exchange b(broker, brokerId);
    QCOMPARE(b.call(), 0);
    QVERIFY(!b.reply.mid(32, 8).trimmed().isEmpty());
    QCOMPARE(int32At(b.reply, 80), services.size());       // num_service
    QCOMPARE(int32At(b.reply, 112), conversations.size()); // num_conv
    QCOMPARE(b.text(), padded("Ok", 40));
}

void tst_Ostrane::demoBroker_runTimeAndCountersAdvance()
{
    const auto runTime = [] {
        Exchange x(broker);
        return x.call() == 0 ? int32At(x.reply, 40) : -1;
    };
    const auto firstWorkerCalls = [] {
        const QList<QByteArray> w = walk(worker);
        return w.isEmpty() ? -1 : int32At(w.first(), 36);
    };

    const qint32 calls = firstWorkerCalls();
    QVERIFY(firstWorkerCalls() > calls);

    const qint32 start = runTime();
    QVERIFY(start > 0);
    QTRY_VERIFY_WITH_TIMEOUT(runTime() > start, 3000); // whole seconds
}

void tst_Ostrane::demoAndScenarios_leaveLibcurlUnloaded()
{
    QVERIFY(!walk(worker).isEmpty());
    QVERIFY(!walk(service, "basic").isEmpty());
    QVERIFY(!libcurlMapped());
}

void tst_Ostrane::scenarioFile_isReadAgainWhenItChanges_data()
{
    QTest::addColumn<QString>("how");
    QTest::newRow("grown") << "grown";
    QTest::newRow("same size, later time") << "touched";
    QTest::newRow("replaced by rename") << "renamed";
}

void tst_Ostrane::scenarioFile_isReadAgainWhenItChanges()
{
    QFETCH(QString, how);
    QTemporaryDir dir;
    qputenv("OSTRANE_SCENARIO_DIR", dir.path().toLocal8Bit());
    const auto restore =
        qScopeGuard([] { qputenv("OSTRANE_SCENARIO_DIR", OSTRANE_TEST_SCENARIOS); });
    const QString file = dir.filePath("reload.json");
    const auto write = [](const QString &path, const QByteArray &id) {
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write("{ \"workers\": [ { \"worker_id\": " + id + " } ] }");
    };
    const auto firstWorker = [] {
        const QList<QByteArray> replies = walk(worker, "reload");
        return replies.isEmpty() ? -1 : int(int16At(replies.first(), 32));
    };
    write(file, "11");
    QCOMPARE(firstWorker(), 11);
    QCOMPARE(firstWorker(), 11); // unchanged: served again
    if (how == "grown") {
        write(file, "222");
    } else if (how == "touched") {
        const QDateTime before = QFileInfo(file).lastModified();
        write(file, "33");
        QFile f(file); // a clock too coarse to tell the two writes apart
        QVERIFY(f.open(QIODevice::ReadWrite));
        QVERIFY(f.setFileTime(before.addSecs(1), QFileDevice::FileModificationTime));
    } else {
        write(dir.filePath("next.json"), "44");
        QVERIFY(QFile::remove(file));
        QVERIFY(QFile::rename(dir.filePath("next.json"), file));
    }
    QCOMPARE(firstWorker(), how == "grown" ? 222 : how == "touched" ? 33 : 44);
}

// Most refusals are of an opening call; only what differs is written out.
struct RefusedCase {
    QByteArray brokerId{};
    int code = 0;
    int objectLength = 0;
    int replySize = 0; // what the caller allocated
    QByteArray convId = "NEW";
    int callCode = 1;
    QByteArray firstCall = "YES";
    QByteArray text{};
    int errorCode = 0;
};
Q_DECLARE_METATYPE(RefusedCase)

void tst_Ostrane::refusedCall_writesResultTextAndFailedHeaderOnly_data()
{
    QTest::addColumn<RefusedCase>("c");

    QTest::newRow("unknown kind") << RefusedCase{.code = 99,
                                                 .objectLength = 12,
                                                 .replySize = 32,
                                                 .text = "Unknown object kind 99",
                                                 .errorCode = 11};
    QTest::newRow("kind zero") << RefusedCase{.code = 0,
                                              .objectLength = 12,
                                              .replySize = 32,
                                              .text = "Unknown object kind 0",
                                              .errorCode = 11};
    QTest::newRow("negative kind") << RefusedCase{.code = -1,
                                                  .objectLength = 12,
                                                  .replySize = 32,
                                                  .text = "Unknown object kind -1",
                                                  .errorCode = 11};
    QTest::newRow("length of another kind")
        << RefusedCase{.code = 6,
                       .objectLength = 12,
                       .replySize = 192,
                       .text = "Object length 12 wrong for kind 6",
                       .errorCode = 11};
    QTest::newRow("length counting the header")
        << RefusedCase{.code = 8,
                       .objectLength = 44,
                       .replySize = 44,
                       .text = "Object length 44 wrong for kind 8",
                       .errorCode = 11};
    QTest::newRow("negative length") << RefusedCase{.code = 4,
                                                    .objectLength = -364,
                                                    .replySize = 396,
                                                    .text = "Object length -364",
                                                    .errorCode = 11};
    const QByteArray unsafe("Broker ID is not a safe scenario name");
    for (const char *id : {"../scenarios/basic", "..", ".basic", "/etc/passwd", "a\\b", "bas ic",
                           "M\xfcller", "basic.json\x01"})
        QTest::newRow(qPrintable(QString("unsafe broker ID %1").arg(QString::fromLatin1(id))))
            << RefusedCase{.brokerId = id,
                           .code = 6,
                           .objectLength = 160,
                           .replySize = 192,
                           .text = unsafe,
                           .errorCode = 9};
    QTest::newRow("zero byte inside broker ID") << RefusedCase{.brokerId = QByteArray("bas\0ic", 6),
                                                               .code = 6,
                                                               .objectLength = 160,
                                                               .replySize = 192,
                                                               .text = unsafe,
                                                               .errorCode = 9};
    QTest::newRow("unknown broker ID") << RefusedCase{.brokerId = "NOSUCHBROKER",
                                                      .code = 6,
                                                      .objectLength = 160,
                                                      .replySize = 192,
                                                      .text = "Unknown broker ID NOSUCHBROKER",
                                                      .errorCode = 8};
    QTest::newRow("malformed JSON") << RefusedCase{.brokerId = "malformed",
                                                   .code = 8,
                                                   .objectLength = 12,
                                                   .replySize = 44,
                                                   .text = "Malformed scenario malformed",
                                                   .errorCode = 10};
    QTest::newRow("misspelt field") << RefusedCase{.brokerId = "bad_field",
                                                   .code = 7,
                                                   .objectLength = 92,
                                                   .replySize = 124,
                                                   .text = "Malformed scenario bad_field",
                                                   .errorCode = 10};
    QTest::newRow("garbage conv ID")
        << RefusedCase{.code = 6,
                       .objectLength = 160,
                       .replySize = 192,
                       .convId = QByteArray("\xff\x01garb\0age\x7f~~~~~", 16),
                       .callCode = 2,
                       .firstCall = "NO",
                       .text = "Unknown conversation ID",
                       .errorCode = 12};
    QTest::newRow("broker kind has no follow-up") << RefusedCase{.code = 7,
                                                                 .objectLength = 92,
                                                                 .replySize = 124,
                                                                 .convId = "0123456789ABCDEF",
                                                                 .callCode = 2,
                                                                 .firstCall = "NO",
                                                                 .text = "Unknown conversation ID",
                                                                 .errorCode = 12};
    QTest::newRow("follow-up sent as opening")
        << RefusedCase{.code = 6,
                       .objectLength = 160,
                       .replySize = 192,
                       .convId = "0123456789ABCDEF",
                       .text = "Follow-up call needs call code 2 and NO",
                       .errorCode = 11};
    QTest::newRow("opening with call code 2")
        << RefusedCase{.code = 6,
                       .objectLength = 160,
                       .replySize = 192,
                       .callCode = 2,
                       .text = "Opening call needs call code 1 and YES",
                       .errorCode = 11};
    QTest::newRow("opening with NO")
        << RefusedCase{.code = 6,
                       .objectLength = 160,
                       .replySize = 192,
                       .firstCall = "NO",
                       .text = "Opening call needs call code 1 and YES",
                       .errorCode = 11};
}

void tst_Ostrane::refusedCall_writesResultTextAndFailedHeaderOnly()
{
    QFETCH(RefusedCase, c);

    Exchange x({c.code, c.replySize}, c.brokerId);
    x.setRequest(c.objectLength, qint16(c.code));
    x.setCall(char(c.callCode), c.firstCall, c.convId);
    const QByteArray control = x.control, request = x.request;

    QVERIFY(x.call() < 0);
    QCOMPARE(x.resultCode(), QByteArray("0003"));
    QVERIFY2(x.text().startsWith(c.text), x.text().constData());
    // A header that counts nothing and says why; the object area as it was.
    QByteArray header(32, '\0');
    header[0] = char(c.errorCode);
    QCOMPARE(x.record().left(32), header);
    QCOMPARE(x.record().mid(32), QByteArray(c.replySize - 32, untouched));
    QCOMPARE(x.request, request);
    QCOMPARE(x.control.left(316) + x.control.mid(320), control.left(316) + control.mid(320));
    QVERIFY(x.guardsIntact());
}

void tst_Ostrane::nullRecord_returnsNegativeAndTouchesNothing_data()
{
    QTest::addColumn<int>("missing");
    QTest::newRow("control block") << 0;
    QTest::newRow("request") << 1;
    QTest::newRow("reply") << 2;
    QTest::newRow("error text") << 3;
}

void tst_Ostrane::nullRecord_returnsNegativeAndTouchesNothing()
{
    QFETCH(int, missing);
    Exchange x(service);
    const Exchange before = x;
    void *records[4] = {x.control.data(), x.request.data(), x.reply.data(), x.errorText.data()};
    records[missing] = nullptr;
    QVERIFY(ostrane_entry_1(records[0], records[1], records[2], records[3]) < 0);
    QCOMPARE(x.control, before.control);
    QCOMPARE(x.request, before.request);
    QCOMPARE(x.reply, before.reply);
    QCOMPARE(x.errorText, before.errorText);
}

void tst_Ostrane::arbitraryBytes_neverWriteOutsideTheRecords()
{
    QRandomGenerator random(20261207);
    const KindInfo known[] = {broker, worker, service, user, conversation};
    const QByteArray brokerIds[] = {"", "basic", "scripted", "empty", "many", "malformed"};
    QByteArrayList returnedIds{"NEW"};

    for (int i = 0; i < 3000; ++i) {
        const bool validKind = random.bounded(4) != 0;
        KindInfo kind = known[random.bounded(5)];
        qint16 code = qint16(kind.code);
        if (!validKind) {
            code = qint16(random.bounded(65536) - 32768);
            kind = {code, 32}; // no kind, but still the header every reply starts with
            for (const KindInfo &k : known)
                if (k.code == code)
                    kind = k;
        }
        Exchange x(kind);
        for (int at = 0; at < control_size; ++at)
            x.control[at] = char(random.bounded(256));
        for (int at = 0; at < request_size; ++at)
            x.request[at] = char(random.bounded(256));
        for (int at = 0; at < 40; ++at)
            x.errorText[at] = char(random.bounded(256));
        if (random.bounded(4) != 0) {
            x.setBrokerId(brokerIds[random.bounded(6)]);
            const bool opening = random.bounded(2) == 0;
            opening ? x.opening()
                    : x.followUp(returnedIds[random.bounded(qsizetype(returnedIds.size()))]);
        }
        const bool lengthFits = random.bounded(4) != 0;
        x.setRequest(lengthFits ? kind.replySize - 32 : qint32(random.generate()), code);

        const int result = x.call();
        QVERIFY2(x.guardsIntact(), qPrintable(QString("call %1").arg(i)));
        QVERIFY(result <= 0);
        if (result == 0 && x.resultCode() != "0003")
            returnedIds << x.convId();
    }
}

void tst_Ostrane::brokerUrl_withoutLibcurl_endsAsAnUnreachableBroker()
{
    if (libcurlMapped())
        QSKIP("libcurl is loaded already");
    refuse_libcurl = true;
    const auto restore = qScopeGuard([] { refuse_libcurl = false; });
    for (const KindInfo kind : {broker, service}) {
        Exchange x(kind, "http://127.0.0.1:9");
        QCOMPARE(x.call(), 0);
        QVERIFY(x.guardsIntact());
        QCOMPARE(x.resultCode(), QByteArray("0003"));
        QCOMPARE(x.text(), padded("libcurl not loaded 127.0.0.1:9", 40));
        QCOMPARE(x.header(0), 5);
    }
    QVERIFY(!libcurlMapped());
}

QTEST_MAIN(tst_Ostrane)
#include "tst_ostrane.moc"
