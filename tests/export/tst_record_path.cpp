// The documents read from stored record bytes must match those built from values(), byte
// for byte, whatever the texts hold.
#include "csv_document.h"
#include "field_values.h"
#include "json_document.h"
#include "object_model.h"
#include "prometheus_document.h"
#include "snapshot_report.h"

#include <QTest>

#include <array>
#include <cstring>

using namespace morvain;

namespace
{

constexpr std::array<wire::Field, 5> table{{
    {"user_id", 0, 8, wire::Encoding::Text},
    {"status", 8, 1, wire::Encoding::Code},
    {"filler", 9, 1, wire::Encoding::Padding},
    {"num_calls", 10, 4, wire::Encoding::Int32},
    {"char_set", 14, 2, wire::Encoding::Int16},
}};

FieldKind kindOf(std::string_view name)
{
    return name == "status" || name == "char_set" ? FieldKind::Code : FieldKind::Counter;
}
// Words for codes the writers keep by place (0 to 255) and for those they look up; a
// reading for some numbers only.
QString decodedOf(std::string_view name, std::int64_t number)
{
    if (name == "num_calls")
        return number < 0 ? QStringLiteral("below zero") : QString();
    if (name == "char_set")
        return number == -1    ? QStringLiteral("None")
               : number == 300 ? QStringLiteral("W\"de")
                               : QString();
    return name == "status" && number == 2 ? QStringLiteral("Waiting") : QString();
}
constexpr FieldRules rules{kindOf, decodedOf};

// Objects as record bytes.
class BytesModel : public ObjectModel
{
public:
    QList<std::array<std::uint8_t, 16>> records;

    QString kindName() const override { return QStringLiteral("client_server"); }
    QList<FieldInfo> columns() const override { return columnsOf(table, rules); }
    int objectCount() const override { return int(records.size()); }
    void query(InfoCycle &) override {}
    QString key(int) const override { return {}; }
    ReplyHeader header() const override { return {}; }
    RecordView record(int z) const override
    {
        return {records.at(z - 1), table, &rules};
    }
};

} // namespace

class TestRecordPath : public QObject
{
    Q_OBJECT
private slots:
    void sameDocuments_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<int>("status");
        QTest::addColumn<int>("calls");
        QTest::addColumn<int>("charSet");
        QTest::newRow("blanks both ends") << QByteArray(" ALICE  ") << 2 << 7 << -1;
        QTest::newRow("quote, backslash, line feed") << QByteArray("a\"b\\c\nd") << 9 << -1 << 300;
        QTest::newRow("zero bytes and delete") << QByteArray("A\0\x7f B", 5) << 2 << 0 << 0;
        QTest::newRow("latin-1 high bytes")
            << QByteArray("M\xfcller\x80\xff") << 0 << 2147483647 << -32768;
        QTest::newRow("controls") << QByteArray("\t\r\x01\x1f") << 1 << -2147483647 - 1 << 255;
        QTest::newRow("blanks only") << QByteArray("        ") << 255 << 1 << 256;
    }
    void sameDocuments()
    {
        QFETCH(QByteArray, text);
        QFETCH(int, status);
        QFETCH(int, calls);
        QFETCH(int, charSet);
        std::array<std::uint8_t, 16> bytes{};
        std::memset(bytes.data(), ' ', 8);
        std::memcpy(bytes.data(), text.constData(), std::min<std::size_t>(text.size(), 8));
        bytes[8] = std::uint8_t(status);
        const auto u = std::uint32_t(calls);
        for (int i = 0; i < 4; ++i)
            bytes[10 + i] = std::uint8_t(u >> (8 * i));
        bytes[14] = std::uint8_t(charSet);
        bytes[15] = std::uint8_t(charSet >> 8);

        BytesModel model;
        std::array<std::uint8_t, 16> flipped = bytes; // its count read the other way
        for (int i = 10; i < 14; ++i)
            flipped[i] = std::uint8_t(~flipped[i]);
        model.records = {bytes, bytes, flipped}; // the second one gets a slot label
        SnapshotReport report;
        report.brokerId = QStringLiteral("B1");
        report.time = QDateTime::fromMSecsSinceEpoch(0, Qt::UTC);
        report.kinds = {{&model, QStringLiteral("Ok"), {}}};
        QVERIFY(!json::document(report).isEmpty());
        const QByteArray prom = prometheus::document(report);
        const QByteArray csv = csv::document(model);
        // Every object is written, the repeated one under its slot.
        QCOMPARE(csv.count("\r\n"), 4);
        QVERIFY2(prom.contains("slot=\"2\""), prom.constData());
    }
};

QTEST_GUILESS_MAIN(TestRecordPath)
#include "tst_record_path.moc"
