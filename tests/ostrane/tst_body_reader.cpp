// The live source's streaming reader on its own: what it keeps of a list and what it
// counts, at the edges of its caps. Bodies are written here, not captured.

#include "rabbit_body.h"

#include <QTest>

using namespace ostrane::rabbit;

class TestBodyReader : public QObject
{
    Q_OBJECT
private slots:
    void readBody_keepsAtMostItsCapAndCountsAll_data();
    void readBody_keepsAtMostItsCapAndCountsAll();
};

void TestBodyReader::readBody_keepsAtMostItsCapAndCountsAll_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<int>("keep");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<int>("kept");
    QTest::addColumn<int>("count");
    QTest::addColumn<int>("total");
    const QByteArray three = R"([{"a":1},{"a":2},{"a":3}])";
    QTest::newRow("fewer than the cap") << three << 4 << true << 3 << 3 << -1;
    QTest::newRow("as many as the cap") << three << 3 << true << 3 << 3 << -1;
    QTest::newRow("one more than the cap") << three << 2 << true << 2 << 3 << -1;
    QTest::newRow("a cap of none") << three << 0 << true << 0 << 3 << -1;
    QTest::newRow("paged, cut by the cap")
        << QByteArray(R"({"items":[{"a":1},{"a":2}],"total_count":5})") << 1 << true << 1 << 2 << 5;
    QTest::newRow("nested as deep as allowed")
        << QByteArray(max_depth, '[') + QByteArray(max_depth, ']') << 1 << true << 1 << 1 << -1;
    QTest::newRow("one level deeper")
        << QByteArray(max_depth + 1, '[') + QByteArray(max_depth + 1, ']') << 1 << false << 0 << 0
        << -1;
    QTest::newRow("no list") << QByteArray(R"({"a":1})") << 1 << false << 0 << 0 << -1;
}

void TestBodyReader::readBody_keepsAtMostItsCapAndCountsAll()
{
    QFETCH(QByteArray, text);
    QFETCH(int, keep);
    QFETCH(bool, ok);
    QFETCH(int, kept);
    QFETCH(int, count);
    QFETCH(int, total);
    const char *const paths[] = {"a"};
    Body body;
    QCOMPARE(readBody(text.toStdString(), paths, true, std::size_t(keep), body), ok);
    if (!ok)
        return;
    QCOMPARE(int(body.items.size()), kept);
    QCOMPARE(int(body.count), count);
    QCOMPARE(int(body.total), total);
    for (std::size_t i = 0; i < body.items.size() && text.contains("\"a\""); ++i)
        QCOMPARE(int(body.items[i][0].n), int(i) + 1); // the first ones, in order
}

QTEST_GUILESS_MAIN(TestBodyReader)
#include "tst_body_reader.moc"
