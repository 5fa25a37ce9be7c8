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

struct BodyCase {
    QByteArray text{};
    int keep = 0;
    bool ok = false;
    int kept = 0;
    int count = 0;
    int total = 0;
};
Q_DECLARE_METATYPE(BodyCase)

void TestBodyReader::readBody_keepsAtMostItsCapAndCountsAll_data()
{
    QTest::addColumn<BodyCase>("c");
    const QByteArray three = R"([{"a":1},{"a":2},{"a":3}])";
    QTest::newRow("fewer than the cap")
        << BodyCase{.text = three, .keep = 4, .ok = true, .kept = 3, .count = 3, .total = -1};
    QTest::newRow("as many as the cap")
        << BodyCase{.text = three, .keep = 3, .ok = true, .kept = 3, .count = 3, .total = -1};
    QTest::newRow("one more than the cap")
        << BodyCase{.text = three, .keep = 2, .ok = true, .kept = 2, .count = 3, .total = -1};
    QTest::newRow("a cap of none")
        << BodyCase{.text = three, .keep = 0, .ok = true, .kept = 0, .count = 3, .total = -1};
    QTest::newRow("paged, cut by the cap")
        << BodyCase{.text = R"({"items":[{"a":1},{"a":2}],"total_count":5})",
                    .keep = 1,
                    .ok = true,
                    .kept = 1,
                    .count = 2,
                    .total = 5};
    QTest::newRow("nested as deep as allowed")
        << BodyCase{.text = QByteArray(max_depth, '[') + QByteArray(max_depth, ']'),
                    .keep = 1,
                    .ok = true,
                    .kept = 1,
                    .count = 1,
                    .total = -1};
    QTest::newRow("one level deeper")
        << BodyCase{.text = QByteArray(max_depth + 1, '[') + QByteArray(max_depth + 1, ']'),
                    .keep = 1,
                    .ok = false,
                    .kept = 0,
                    .count = 0,
                    .total = -1};
    QTest::newRow("no list") << BodyCase{
        .text = R"({"a":1})", .keep = 1, .ok = false, .kept = 0, .count = 0, .total = -1};
}

void TestBodyReader::readBody_keepsAtMostItsCapAndCountsAll()
{
    QFETCH(BodyCase, c);
    const char *const paths[] = {"a"};
    Body body;
    QCOMPARE(readBody(c.text.toStdString(), paths, true, std::size_t(c.keep), body), c.ok);
    if (!c.ok)
        return;
    QCOMPARE(int(body.items.size()), c.kept);
    QCOMPARE(int(body.count), c.count);
    QCOMPARE(int(body.total), c.total);
    for (std::size_t i = 0; i < body.items.size() && c.text.contains("\"a\""); ++i)
        QCOMPARE(int(body.items[i][0].n), int(i) + 1); // the first ones, in order
}

QTEST_GUILESS_MAIN(TestBodyReader)
#include "tst_body_reader.moc"
