// The export documents, read from a model a test fills in.
#include "csv_document.h"
#include "fake_model.h"

#include <QTest>

using namespace morvain;
using morvain::test::FakeModel;

using Rows = QList<std::tuple<QString, int, QString, int>>;
Q_DECLARE_METATYPE(Rows)

class TestExport : public QObject
{
    Q_OBJECT
private slots:
    void csv_quotesAndTrims_data();
    void csv_quotesAndTrims();
};

void TestExport::csv_quotesAndTrims_data()
{
    QTest::addColumn<Rows>("rows");
    QTest::addColumn<QByteArray>("expected");
    const QByteArray head = "user_id,status,status_word,num_calls\r\n";
    QTest::newRow("no objects") << Rows{} << head;
    QTest::newRow("plain, blanks trimmed")
        << Rows{{"  ALICE   ", 2, "Waiting", 7}, {"BOB", 9, "", 0}}
        << head + "ALICE,2,Waiting,7\r\nBOB,9,,0\r\n";
    QTest::newRow("comma") << Rows{{"A,B", 1, "Busy", 1}} << head + "\"A,B\",1,Busy,1\r\n";
    QTest::newRow("quote doubled")
        << Rows{{"say \"hi\"", 1, "", 1}} << head + "\"say \"\"hi\"\"\",1,,1\r\n";
    QTest::newRow("line ends") << Rows{{"a\r\nb", 1, "", 1}} << head + "\"a\r\nb\",1,,1\r\n";
    QTest::newRow("zero byte kept, quoted") << Rows{{QString("A") + QChar(0) + "B ", 1, "", 1}}
                                            << head + QByteArray("\"A\0B\",1,,1\r\n", 12);
    QTest::newRow("latin-1 as utf-8")
        << Rows{{QString::fromLatin1("M\xfcller"), 1, "", 1}} << head + "M\xc3\xbcller,1,,1\r\n";
}

void TestExport::csv_quotesAndTrims()
{
    QFETCH(Rows, rows);
    QFETCH(QByteArray, expected);
    FakeModel model;
    model.fillSample(rows);
    QCOMPARE(csv::document(model), expected);
}

QTEST_GUILESS_MAIN(TestExport)
#include "tst_export.moc"
