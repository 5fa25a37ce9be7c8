// The documents, read from stored record bytes only, must hold the fields values() gives,
// whatever the texts hold: JSON parsed back, CSV read back by a strict reader.
#include "csv_document.h"
#include "document_readers.h"
#include "field_values.h"
#include "json_document.h"
#include "object_model.h"
#include "prometheus_document.h"
#include "snapshot_report.h"

#include <QTest>

#include <nlohmann/json.hpp>

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

    QString kindName() const override { return QStringLiteral("worker"); } // no closing reply
    QList<FieldInfo> columns() const override { return columnsOf(table, rules); }
    int objectCount() const override { return int(records.size()); }
    QList<FieldValue> values(int z) const override
    {
        return valuesOf(records.at(z - 1), table, rules);
    }
    QString key(int) const override { return {}; }
    ReplyHeader header() const override { return {}; }
    RecordView record(int z) const override { return {records.at(z - 1), table, &rules}; }
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
        // Two codes of one number, each with the word of its own field.
        QTest::newRow("one number, two codes") << QByteArray("X") << 2 << 5 << 2;
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
        nlohmann::json json;
        std::vector<std::vector<std::string>> csv;
        try {
            json = nlohmann::json::parse(json::document(report).toStdString());
            csv = test::readCsv(csv::document(model).toStdString());
        } catch (const std::exception &e) {
            QFAIL(e.what());
        }
        for (int z = 1; z <= model.objectCount(); ++z) {
            const nlohmann::json &object = json["kinds"][0]["objects"][z - 1];
            const std::vector<std::string> &row = csv.at(std::size_t(z));
            std::size_t cell = 0;
            for (const FieldValue &v : model.values(z)) {
                const std::string name = v.name.toStdString();
                const std::string text = v.text.toStdString();
                const std::string decoded = v.decoded.toStdString();
                const std::string &csvCell = row.at(cell++);
                switch (v.kind) {
                case FieldKind::Text: {
                    QVERIFY(object[name]["raw"] == text);
                    // The lists' text: up to the first zero, blanks off both ends.
                    QString shown = v.text.left(v.text.indexOf(QChar(0)));
                    while (shown.startsWith(u' '))
                        shown.remove(0, 1);
                    while (shown.endsWith(u' '))
                        shown.chop(1);
                    QVERIFY(object[name]["trimmed"] == shown.toStdString());
                    QCOMPARE(csvCell, shown.toStdString());
                    break;
                }
                case FieldKind::Code:
                    QVERIFY(object[name]["value"] == v.number);
                    QVERIFY2(object[name]["word"] == decoded, name.c_str());
                    QCOMPARE(csvCell, text);
                    QCOMPARE(row.at(cell++), decoded);
                    break;
                default:
                    QVERIFY(object[name] == v.number);
                    QCOMPARE(csvCell, text);
                    QCOMPARE(object.contains("readings") && object["readings"].contains(name),
                             !decoded.empty());
                    if (!decoded.empty())
                        QVERIFY(object["readings"][name] == decoded);
                }
            }
            QCOMPARE(cell, row.size());
        }
    }
};

QTEST_GUILESS_MAIN(TestRecordPath)
#include "tst_record_path.moc"
