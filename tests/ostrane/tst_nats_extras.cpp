// The NATS source's extras file: what a service query writes beside its records. Each
// object is keyed by the names its record carries (fitted when long), its last error
// survives JSON's escapes, and the file appears whole.

#include "nats_extras.h"
#include "nats_mapping.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QTest>

using namespace ostrane;
using namespace ostrane::nats;

namespace
{

// A record's text field as the program keys it: blanks cut, Latin-1 read as such.
QString recordText(const KindData &data, int offset)
{
    const auto *at = reinterpret_cast<const char *>(data.object(0) + offset - header_size);
    return QString::fromLatin1(at, 32).trimmed();
}

} // namespace

class tst_NatsExtras : public QObject
{
    Q_OBJECT

private slots:
    void objects_keyedByTheRecordsNames_data();
    void objects_keyedByTheRecordsNames();
    void file_writtenWholeIntoAPrivateFolder();
};

void tst_NatsExtras::objects_keyedByTheRecordsNames_data()
{
    QTest::addColumn<QString>("service");
    QTest::addColumn<QString>("endpoint");
    QTest::addColumn<QString>("lastError");
    // clang-format off
    QTest::newRow("plain")               << "orders" << "get" << "boom";
    QTest::newRow("a name to fit")       << "orders" << "an-endpoint-name-longer-than-its-field" << "";
    QTest::newRow("a Latin-1 name")      << QString::fromUtf8("caf\u00e9") << "get" << "";
    QTest::newRow("an error to escape")  << "orders" << "get"
        << QString::fromUtf8("said \"no\"\\ then\nleft\t\x01 \u00e9 \u20ac");
    // clang-format on
}

void tst_NatsExtras::objects_keyedByTheRecordsNames()
{
    QFETCH(QString, service);
    QFETCH(QString, endpoint);
    QFETCH(QString, lastError);
    View view;
    Endpoint e;
    e.name = endpoint.toStdString();
    e.num_errors = 3;
    e.last_error = lastError.toStdString();
    e.average_processing_time_ns = 66'400;
    view.instances.push_back({service.toStdString(), "ID1", "1.2.0", {e}, true, -1});
    KindData data(kind(KindId::Service));
    Marks marks;
    QCOMPARE(mapServices(view, marks, data), 1);

    const std::string text =
        extrasJson("nats://u:pw@127.0.0.1:4222", 1234, serviceExtras(view, data));
    QJsonParseError error;
    const QJsonObject doc =
        QJsonDocument::fromJson(QByteArray::fromStdString(text), &error).object();
    QCOMPARE(error.error, QJsonParseError::NoError);
    QVERIFY(!QByteArray::fromStdString(text).contains("pw"));
    QCOMPARE(doc["broker"].toString().size(), 40);
    QCOMPARE(doc["when_ms"].toInteger(), 1234);
    const QJsonObject o = doc["objects"][0].toObject();
    QCOMPARE(o["server_class"].toString(), recordText(data, 32));
    QCOMPARE(o["server_name"].toString(), recordText(data, 64));
    QCOMPARE(o["service"].toString(), recordText(data, 96));
    if (endpoint.size() > 32) // fitted as the record fits it, not the name as sent
        QVERIFY(o["service"].toString().contains(u'~'));
    QCOMPARE(o["num_errors"].toInteger(), 3);
    QCOMPARE(o["last_error"].toString(), lastError);
    QCOMPARE(o["average_processing_time"].toInteger(), 66); // microseconds
}

void tst_NatsExtras::file_writtenWholeIntoAPrivateFolder()
{
    QTemporaryDir dir;
    const QString folder = dir.filePath("extras");
    qputenv("MORVAIN_EXTRAS_DIR", folder.toLocal8Bit());
    QVERIFY(writeExtras("local", 1, {}));
    QVERIFY(writeExtras("local", 2, {{"orders", "ID1", "get", 1, "x", 2}}));
    QCOMPARE(QDir(folder).entryList(QDir::Files | QDir::Hidden),
             QStringList{QString::fromStdString(extrasFileName("local"))});
    QCOMPARE(QFileInfo(folder).permissions() & 0x0077, QFileDevice::Permissions{});
    QFile f(folder + "/" + QString::fromStdString(extrasFileName("local")));
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(QJsonDocument::fromJson(f.readAll())["when_ms"].toInteger(), 2);
}

QTEST_GUILESS_MAIN(tst_NatsExtras)
#include "tst_nats_extras.moc"
