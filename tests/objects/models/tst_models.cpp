// The widget-free models of every kind, driven through their queries against a scripted
// Broker: lists, keys, code words and field values, with no page involved.

#include "broker_object/broker_object_model.h"
#include "client_server/client_server_model.h"
#include "conversation/conversation_model.h"
#include "fake_entry_point.h"
#include "field_values.h"
#include "info_cycle.h"
#include "recording_view.h"
#include "service/service_model.h"
#include "worker/worker_model.h"

#include <QSignalSpy>
#include <QTest>

using namespace morvain;

namespace
{

struct Rig {
    test::FakeEntryPoint fake;
    test::RecordingView view;
    InfoCycle cycle{fake, view};
    Rig() { cycle.startUp({}); }

    // One call per reply; the last one ends the conversation with "0003".
    void play(const QList<QByteArray> &replies)
    {
        for (int i = 0; i < replies.size(); ++i) {
            test::ScriptedCall c;
            c.resultCode = i + 1 < replies.size() ? "0000" : "0003";
            c.convId = test::convIdFor(i);
            c.reply = replies.at(i);
            fake.script << c;
        }
    }
};

template <class R> QByteArray raw(const R &r)
{
    return QByteArray(reinterpret_cast<const char *>(r.data()), R::size);
}

QByteArray service(const QString &serverClass, const QString &name, const QString &svc)
{
    ServiceReply r;
    r.setText<"server_class">(serverClass);
    r.setText<"server_name">(name);
    r.setText<"service">(svc);
    return raw(r);
}

using Triples = QList<QStringList>;

// The value named `name` of object z, or a test failure naming it.
FieldValue valueOf(const ObjectModel &model, int z, const char *name)
{
    const FieldValue v = valueNamed(model.values(z), name);
    if (v.name.isEmpty())
        qWarning("no value %s", name);
    return v;
}

} // namespace

class TestModels : public QObject
{
    Q_OBJECT
private slots:
    void serviceLists_data();
    void serviceLists();
    void idLists_data();
    void idLists();
    void codeWords_data();
    void codeWords();
    void values_data();
    void values();
    void runTime_data();
    void runTime();
    void queried_afterStoreBeforeListing();
};

void TestModels::serviceLists_data()
{
    QTest::addColumn<Triples>("replies"); // the last one closes the query
    QTest::addColumn<QStringList>("classes");
    QTest::addColumn<Triples>("namesByClass"); // the names of each class listed
    QTest::addColumn<QStringList>("servicesOfFirst");
    QTest::addColumn<int>("found"); // slot of the first class/name/service listed
    using L = QStringList;
    QTest::newRow("order of first arrival, duplicates once")
        << Triples{{"B", "N1", "S1"}, {"A", "N2", "S2"}, {"B", "N3", "S3"},
                   {"C", "N1", "S4"}, {"B", "N1", "S1"}, {"", "", ""}}
        << L{"B", "A", "C"} << Triples{{"N1", "N3"}, {"N2"}, {"N1"}} << L{"S1", "S4", "S1"} << 1;
    QTest::newRow("names under two classes, each class lists its own")
        << Triples{{"A", "X", "s1"}, {"B", "Y", "s2"}, {"B", "X", "s3"}, {"A", "Y", "s4"},
                   {"B", "X", "s5"}, {"C", "Z", "s6"}, {"", "", ""}}
        << L{"A", "B", "C"} << Triples{{"X", "Y"}, {"Y", "X"}, {"Z"}} << L{"s1", "s3", "s5"} << 1;
    QTest::newRow("case counts, blanks trimmed, blank not listed")
        << Triples{{" abc ", "n", "s"}, {"ABC", "n", "t"}, {"abc", "n", "u"}, {"  ", "m", "v"}}
        << L{"abc", "ABC"} << Triples{{"n"}, {"n"}} << L{"s", "t", "u"} << 1;
    QTest::newRow("the closing reply's service not offered")
        << Triples{{"A", "N", "S1"}, {"A", "N", "S2"}} << L{"A"} << Triples{{"N"}} << L{"S1"} << 1;
    QTest::newRow("only the closing reply")
        << Triples{{"A", "N", "S"}} << L{"A"} << Triples{{"N"}} << L{} << 0;
}

void TestModels::serviceLists()
{
    QFETCH(Triples, replies);
    QFETCH(QStringList, classes);
    QFETCH(Triples, namesByClass);
    QFETCH(QStringList, servicesOfFirst);
    const QStringList namesOfFirst = namesByClass.at(0);
    QFETCH(int, found);
    Rig rig;
    QList<QByteArray> script;
    for (const QStringList &t : replies)
        script << service(t.at(0), t.at(1), t.at(2));
    rig.play(script);
    ServiceModel model;

    model.query(rig.cycle);

    QCOMPARE(model.objectCount(), replies.size());
    QCOMPARE(model.serverClasses(), classes);
    for (int c = 0; c < classes.size(); ++c)
        QCOMPARE(model.serverNames(classes.at(c)), namesByClass.at(c));
    QCOMPARE(model.services(namesOfFirst.at(0)), servicesOfFirst);
    const QString firstService = servicesOfFirst.value(0);
    QCOMPARE(model.find(classes.at(0), namesOfFirst.at(0), firstService), found);
    if (found > 0)
        QCOMPARE(model.key(found),
                 classes.at(0) + QChar(0x1f) + namesOfFirst.at(0) + QChar(0x1f) + firstService);
}

void TestModels::idLists_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QStringList>("ids"); // as stored, one reply each; the last closes
    QTest::addColumn<QStringList>("listed");
    QTest::addColumn<QStringList>("keys");
    using L = QStringList;
    const L stored{"U2", " U1 ", "u1", "U2", "    ", "U1"};
    const L listed{"U2", "U1", "u1"};
    const L keys{"U2", "U1", "u1", "U2", "", "U1"};
    QTest::newRow("user IDs") << "client_server" << stored << listed << keys;
    QTest::newRow("conversation IDs") << "conversation" << stored << listed << keys;
    QTest::newRow("worker IDs, equal ones kept, closing reply not stored")
        << "worker" << L{"7", "3", "7", "9"} << L{"7", "3", "7"} << L{"7", "3", "7"};
}

void TestModels::idLists()
{
    QFETCH(QString, kind);
    QFETCH(QStringList, ids);
    QFETCH(QStringList, listed);
    QFETCH(QStringList, keys);
    Rig rig;
    QList<QByteArray> script;
    for (const QString &id : ids) {
        if (kind == u"client_server") {
            ClientServerReply r;
            r.setText<"user_id">(id);
            script << raw(r);
        } else if (kind == u"conversation") {
            ConversationReply r;
            r.setText<"conversation_id">(id);
            script << raw(r);
        } else {
            WorkerReply r;
            r.setInt16<"worker_id">(std::int16_t(id.toInt()));
            script << raw(r);
        }
    }
    rig.play(script);
    ClientServerModel users;
    ConversationModel conversations;
    WorkerModel workers;
    ObjectModel *model = nullptr;
    QStringList got;
    if (kind == u"client_server") {
        users.query(rig.cycle);
        got = users.distinctKeys();
        QCOMPARE(users.find(QStringLiteral("U1")), 2);
        QCOMPARE(users.find(QStringLiteral("u2")), 0);
        model = &users;
    } else if (kind == u"conversation") {
        conversations.query(rig.cycle);
        got = conversations.distinctKeys();
        QCOMPARE(conversations.find(QStringLiteral("U1")), 2);
        QCOMPARE(conversations.find(QStringLiteral("u2")), 0);
        model = &conversations;
    } else {
        workers.query(rig.cycle);
        got = workers.workerIds();
        model = &workers;
    }
    QCOMPARE(model->kindName(), kind);
    QCOMPARE(got, listed);
    QStringList gotKeys;
    for (int z = 1; z <= model->objectCount(); ++z)
        gotKeys << model->key(z);
    QCOMPARE(gotKeys, keys);
}

void TestModels::codeWords_data()
{
    QTest::addColumn<int>("table");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("word");
    enum { Worker, CharSet, Endian, Status, ConvType };
    const struct {
        int table;
        const char *text;
        const char *word;
    } rows[] = {
        {Worker, "2", "Active"},
        {Worker, "4", "Started"},
        {Worker, "5", "Waiting"},
        {Worker, "3", ""},
        {Worker, " 5", ""},
        {CharSet, "34", "EBCDIC IBM"},
        {CharSet, "66", "EBCDIC SNI"},
        {CharSet, "1", "ASCII PC 386"},
        {CharSet, "16", "ASCII PC OS/2"},
        {CharSet, "128", "ASCII 8859-1"},
        {CharSet, "0", ""},
        {Endian, "0", "Little endian"},
        {Endian, "1", "Big endian"},
        {Endian, "2", ""},
        {Status, "0", "Not waiting"},
        {Status, "5", "Waiting"},
        {Status, "Waiting", ""},
        {ConvType, "0", "Conversational"},
        {ConvType, "1", "Non-conversational"},
        {ConvType, "-1", ""},
    };
    for (const auto &r : rows)
        QTest::addRow("table %d, \"%s\"", r.table, r.text)
            << r.table << QString::fromLatin1(r.text) << QString::fromLatin1(r.word);
}

void TestModels::codeWords()
{
    QFETCH(int, table);
    QFETCH(QString, text);
    QFETCH(QString, word);
    QString (*const words[])(const QString &) = {workerStatusWord, charSetWord, endianWord,
                                                 userStatusWord, conversationTypeWord};
    QCOMPARE(words[table](text), word);
}

void TestModels::values_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("field");
    QTest::addColumn<int>("fieldKind");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("decoded");
    const auto row = [](const char *kind, const char *field, FieldKind k, const QString &text,
                        const char *decoded = "") {
        QTest::addRow("%s %s", kind, field)
            << QString::fromLatin1(kind) << QString::fromLatin1(field) << int(k) << text
            << QString::fromLatin1(decoded);
    };
    row("broker", "platform", FieldKind::Text, QStringLiteral("LX  ") + QString(4, QChar(0)));
    row("broker", "run_time", FieldKind::Counter, "97445", "27:04:05");
    row("broker", "trace_level", FieldKind::Gauge, "-3");
    row("worker", "worker_status", FieldKind::Code, "5", "Waiting");
    row("worker", "idle_sum", FieldKind::Counter, "-2147483648");
    row("service", "translation", FieldKind::Text, QStringLiteral("TR      "));
    row("service", "req_sum", FieldKind::Counter, "42");
    row("client_server", "char_set", FieldKind::Code, "34", "EBCDIC IBM");
    row("client_server", "status", FieldKind::Code, "7");
    row("conversation", "conv_type", FieldKind::Code, "1", "Non-conversational");
}

void TestModels::values()
{
    QFETCH(QString, kind);
    QFETCH(QString, field);
    QFETCH(int, fieldKind);
    QFETCH(QString, text);
    QFETCH(QString, decoded);
    Rig rig;
    BrokerObjectModel broker;
    WorkerModel workers;
    ServiceModel services;
    ClientServerModel users;
    ConversationModel conversations;
    ObjectModel *model = nullptr;
    if (kind == u"broker") {
        BrokerReply r;
        r.setBytes<"platform">(QByteArray("LX  \0\0\0\0", 8)); // zero bytes stay
        r.setInt32<"run_time">(97445);
        r.setInt16<"trace_level">(-3);
        rig.fake.script << test::ScriptedCall{"0000", {}, {}, raw(r), {}, 0};
        broker.query(rig.cycle);
        model = &broker;
    } else if (kind == u"worker") {
        WorkerReply r;
        r.setInt16<"worker_status">(5);
        r.setInt32<"idle_sum">(std::numeric_limits<std::int32_t>::min());
        rig.play({raw(r), raw(r)});
        workers.query(rig.cycle);
        model = &workers;
    } else if (kind == u"service") {
        ServiceReply r;
        r.setText<"translation">(QStringLiteral("TR"));
        r.setInt32<"req_sum">(42);
        rig.play({raw(r)});
        services.query(rig.cycle);
        model = &services;
    } else if (kind == u"client_server") {
        ClientServerReply r;
        r.setInt16<"char_set">(34);
        r.setInt16<"status">(7);
        rig.play({raw(r)});
        users.query(rig.cycle);
        model = &users;
    } else {
        ConversationReply r;
        r.setInt16<"conv_type">(1);
        rig.play({raw(r)});
        conversations.query(rig.cycle);
        model = &conversations;
    }

    const FieldValue v = valueOf(*model, 1, qPrintable(field));
    QCOMPARE(int(v.kind), fieldKind);
    QCOMPARE(v.text, text);
    QCOMPARE(v.decoded, decoded);
    if (v.kind != FieldKind::Text)
        QCOMPARE(QString::number(v.number), text);
    // The columns name every value in order; no header field, no padding.
    const QList<FieldInfo> columns = model->columns();
    const QList<FieldValue> all = model->values(1);
    QCOMPARE(all.size(), columns.size());
    for (qsizetype i = 0; i < columns.size(); ++i) {
        QCOMPARE(all.at(i).name, columns.at(i).name);
        QCOMPARE(all.at(i).kind, columns.at(i).kind);
        QVERIFY(all.at(i).name != u"error_code" && !all.at(i).name.startsWith(u"gap_"));
    }
    QVERIFY(model->values(model->objectCount() + 1).isEmpty());
}

void TestModels::runTime_data()
{
    QTest::addColumn<int>("seconds");
    QTest::addColumn<QString>("text");
    QTest::newRow("zero") << 0 << "0:00:00";
    QTest::newRow("59 s") << 59 << "0:00:59";
    QTest::newRow("hours not split into days") << 30 * 3600 + 61 << "30:01:01";
    QTest::newRow("negative keeps 0 to 59") << -1 << "-1:59:59";
}

void TestModels::runTime()
{
    QFETCH(int, seconds);
    QFETCH(QString, text);
    QCOMPARE(runTimeText(seconds), text);
}

void TestModels::queried_afterStoreBeforeListing()
{
    Rig rig;
    WorkerReply r;
    rig.play({raw(r), raw(r), raw(r)});
    WorkerModel model;
    QList<int> countAtSignal;
    connect(&model, &ObjectModel::queried, this, [&] { countAtSignal << model.objectCount(); });
    int signalsBeforeListing = -1;
    model.query(rig.cycle, [&] { signalsBeforeListing = int(countAtSignal.size()); });
    QCOMPARE(countAtSignal, QList<int>{2});
    QCOMPARE(signalsBeforeListing, 1);

    // A failed query stores nothing more and says nothing.
    rig.fake.script.clear();
    rig.fake.generator = [](int i) {
        test::ScriptedCall c;
        c.convId = test::convIdFor(i);
        return c;
    };
    QVERIFY_THROWS_EXCEPTION(QueryFailure, model.query(rig.cycle));
    QCOMPARE(countAtSignal.size(), 1);
}

QTEST_GUILESS_MAIN(TestModels)
#include "tst_models.moc"
