// The course of a kind over its queries: rates, series by key, new and gone objects, and
// the bounds that keep a long session's history from growing.

#include "fake_object_model.h"
#include "query_history.h"

#include <QTest>

using namespace morvain;
using namespace morvain::test;

namespace
{
constexpr int status = 1, calls = 2, id = 0; // positions in the worker-like columns

// Each query: the workers' (id, calls) at a time in milliseconds.
struct Query {
    qint64 at;
    QList<QPair<int, qint64>> workers;
};

void run(QueryHistory &history, FakeObjectModel &model, const QList<Query> &queries)
{
    for (const Query &q : queries) {
        QList<QList<FieldValue>> rows;
        for (const auto &[worker, count] : q.workers)
            rows << workerLike(worker, 2, count, "w");
        model.rows = rows;
        history.record(model, q.at);
    }
}
} // namespace

class TestQueryHistory : public QObject
{
    Q_OBJECT
private slots:
    void rate_betweenTheObjectsLastTwoReadings_data();
    void rate_betweenTheObjectsLastTwoReadings();
    void series_followsTheKeyWhateverTheOrder();
    void newAndGone_comparedWithTheQueryBefore();
    void limits_dropTheOldestQueriesAndTheirObjects_data();
    void limits_dropTheOldestQueriesAndTheirObjects();
};

void TestQueryHistory::rate_betweenTheObjectsLastTwoReadings_data()
{
    QTest::addColumn<QList<Query>>("queries");
    QTest::addColumn<int>("column");
    QTest::addColumn<double>("perSecond"); // -1: none
    QTest::newRow("counter, 2 s apart")
        << QList<Query>{{1000, {{9, 100}}}, {3000, {{9, 140}}}} << calls << 20.0;
    QTest::newRow("counter, its last two of three")
        << QList<Query>{{0, {{9, 0}}}, {1000, {{9, 100}}}, {5000, {{9, 140}}}} << calls << 10.0;
    QTest::newRow("counter that dropped: started again")
        << QList<Query>{{1000, {{9, 100}}}, {3000, {{9, 40}}}} << calls << -1.0;
    QTest::newRow("gauge that dropped")
        << QList<Query>{{1000, {{9, 1}}}, {3000, {{5, 1}, {9, 1}}}} << id << 0.0;
    QTest::newRow("one reading") << QList<Query>{{1000, {{9, 100}}}} << calls << -1.0;
    QTest::newRow("no time between")
        << QList<Query>{{1000, {{9, 100}}}, {1000, {{9, 140}}}} << calls << -1.0;
    QTest::newRow("gone now") << QList<Query>{{1000, {{9, 100}}}, {3000, {{9, 140}}}, {5000, {}}}
                              << calls << -1.0;
    QTest::newRow("text field") << QList<Query>{{1000, {{9, 100}}}, {3000, {{9, 140}}}} << 3
                                << -1.0;
}

void TestQueryHistory::rate_betweenTheObjectsLastTwoReadings()
{
    QFETCH(QList<Query>, queries);
    QFETCH(int, column);
    QFETCH(double, perSecond);
    FakeObjectModel model;
    QueryHistory history;
    run(history, model, queries);
    QCOMPARE(history.rate("9", column).value_or(-1.0), perSecond);
}

void TestQueryHistory::series_followsTheKeyWhateverTheOrder()
{
    FakeObjectModel model;
    QueryHistory history;
    run(history, model,
        {{1000, {{9, 1}, {10, 50}}},
         {2000, {{10, 60}, {9, 2}}},
         {3000, {{9, 3}}},
         {4000, {{10, 80}, {9, 4}}}});
    const auto values = [&](const QString &key, int last) {
        QList<qint64> out;
        for (const SeriesPoint &p : history.series(key, calls, last))
            out << p.at << p.value;
        return out;
    };
    QCOMPARE(values("9", 0), (QList<qint64>{1000, 1, 2000, 2, 3000, 3, 4000, 4}));
    QCOMPARE(values("10", 0), (QList<qint64>{1000, 50, 2000, 60, 4000, 80}));
    QCOMPARE(values("10", 2), (QList<qint64>{2000, 60, 4000, 80}));
    QCOMPARE(history.before("10", calls), std::optional<std::int64_t>(60));
    QCOMPARE(history.series("9", status).size(), std::size_t(4));   // codes are kept too
    QVERIFY(history.series("9", 3).empty());                        // texts are not
    QCOMPARE(history.seenSince("10"), std::optional<qint64>(1000)); // back, not new

    // The same records once more: a reading more of each, nothing new or gone.
    history.recordSame(5000);
    QCOMPARE(values("10", 2), (QList<qint64>{4000, 80, 5000, 80}));
    QCOMPARE(history.rate("9", calls), std::optional<double>(0.0));
    QVERIFY(history.newKeys().isEmpty() && history.goneKeys().isEmpty());
}

void TestQueryHistory::newAndGone_comparedWithTheQueryBefore()
{
    FakeObjectModel model;
    QueryHistory history;
    run(history, model, {{1000, {{9, 1}, {10, 1}}}});
    QVERIFY(history.newKeys().isEmpty()); // nothing to compare the first with
    run(history, model, {{2000, {{11, 1}, {9, 1}, {11, 5}}}});
    QCOMPARE(history.newKeys(), QStringList{"11"}); // a repeated key counts once
    QCOMPARE(history.goneKeys(), QStringList{"10"});
    QCOMPARE(history.latest("11", calls), std::optional<std::int64_t>(1)); // by its first row
    run(history, model, {{3000, {{11, 1}, {9, 1}}}});
    QVERIFY(history.goneKeys().isEmpty()); // listed once
    QVERIFY(history.newKeys().isEmpty());
    QCOMPARE(history.seenSince("11"), std::optional<qint64>(2000));
}

void TestQueryHistory::limits_dropTheOldestQueriesAndTheirObjects_data()
{
    QTest::addColumn<int>("queries");
    QTest::addColumn<qint64>("span");
    QTest::addColumn<int>("kept");
    // One query a second for 10 s; worker 10 is there only in the first.
    QTest::newRow("by count") << 3 << qint64(3'600'000) << 3;
    QTest::newRow("by age") << 720 << qint64(4000) << 5;
    QTest::newRow("within both") << 720 << qint64(3'600'000) << 10;
}

void TestQueryHistory::limits_dropTheOldestQueriesAndTheirObjects()
{
    QFETCH(int, queries);
    QFETCH(qint64, span);
    QFETCH(int, kept);
    FakeObjectModel model;
    QueryHistory history({queries, span});
    run(history, model, {{0, {{9, 0}, {10, 0}}}});
    const std::size_t one = history.bytesUsed();
    for (int s = 1; s < 10; ++s)
        run(history, model, {{s * 1000, {{9, s}}}});
    QCOMPARE(history.queryCount(), kept);
    QCOMPARE(int(history.series("9", calls).size()), kept);
    QCOMPARE(history.series("9", calls).front().value, qint64(10 - kept));
    // Worker 10's one reading went with the first query, and the worker with it.
    QCOMPARE(history.seenSince("10").has_value(), kept == 10);
    if (kept < 10)
        QVERIFY(history.bytesUsed() < one * std::size_t(kept));
}

QTEST_GUILESS_MAIN(TestQueryHistory)
#include "tst_query_history.moc"
