// What changed between two queries of a kind: rows found again by key whatever their order,
// a repeated key's rows met again in their order, gone keys once each, and the stored bytes
// telling "changed" exactly as the values do.

#include "change_tracker.h"
#include "fake_object_model.h"

#include <QTest>

using namespace morvain;
using namespace morvain::test;

namespace
{
constexpr int calls = 2; // position in the worker-like columns

// Workers as (id, calls); status and name stay.
QList<QList<FieldValue>> workers(const QList<QPair<int, int>> &idsAndCalls)
{
    QList<QList<FieldValue>> rows;
    for (const auto &[id, count] : idsAndCalls)
        rows << workerLike(id, 2, count, "w");
    return rows;
}
} // namespace

class TestChangeTracker : public QObject
{
    Q_OBJECT
private slots:
    void secondQuery_comparedByKey_data();
    void secondQuery_comparedByKey();
};

void TestChangeTracker::secondQuery_comparedByKey_data()
{
    using Rows = QList<QPair<int, int>>;
    QTest::addColumn<Rows>("before");
    QTest::addColumn<Rows>("now");
    QTest::addColumn<QList<int>>("previousRows"); // per row now
    QTest::addColumn<QList<int>>("callsState");   // per row now: its ChangeState
    QTest::addColumn<QStringList>("gone");
    constexpr int same = int(ChangeState::Unchanged), changed = int(ChangeState::Changed),
                  added = int(ChangeState::New);
    QTest::newRow("the very records")
        << Rows{{9, 1}, {10, 2}} << Rows{{9, 1}, {10, 2}} << QList<int>{0, 1}
        << QList<int>{same, same} << QStringList{};
    QTest::newRow("reordered, one changed")
        << Rows{{9, 1}, {10, 2}, {100, 3}} << Rows{{100, 3}, {9, 5}, {10, 2}} << QList<int>{2, 0, 1}
        << QList<int>{same, changed, same} << QStringList{};
    QTest::newRow("repeated key: its rows in their order")
        << Rows{{9, 1}, {10, 2}, {10, 7}} << Rows{{10, 2}, {10, 7}} << QList<int>{1, 2}
        << QList<int>{same, same} << QStringList{"9"};
    QTest::newRow("repeated key, one row more: the first row's")
        << Rows{{10, 2}} << Rows{{10, 2}, {10, 7}} << QList<int>{0, 0} << QList<int>{same, changed}
        << QStringList{};
    QTest::newRow("new and gone, gone once")
        << Rows{{9, 1}, {9, 1}, {10, 2}} << Rows{{10, 2}, {7, 0}} << QList<int>{2, -1}
        << QList<int>{same, added} << QStringList{"9"};
}

void TestChangeTracker::secondQuery_comparedByKey()
{
    using Rows = QList<QPair<int, int>>;
    QFETCH(Rows, before);
    QFETCH(Rows, now);
    QFETCH(QList<int>, previousRows);
    QFETCH(QList<int>, callsState);
    QFETCH(QStringList, gone);
    FakeObjectModel model;
    ChangeTracker tracker;
    model.rows = workers(before);
    tracker.record(model, 1000);
    model.rows = workers(now);
    tracker.record(model, 3000);

    QCOMPARE(tracker.gone(), gone);
    QCOMPARE(tracker.sameAsBefore(), before == now);
    for (int r = 0; r < now.size(); ++r) {
        QCOMPARE(tracker.previousRowOf(r), previousRows[r]);
        QCOMPARE(int(tracker.change(r, calls).state), callsState[r]);
        // The bytes say "same" exactly when the values do, in every column.
        for (int column = 0; previousRows[r] >= 0 && column < 4; ++column) {
            const FieldValue value = tracker.latest().value(r, column);
            const bool byValue =
                changeOf(tracker.previous(), previousRows[r], column, value, 3000).state ==
                ChangeState::Unchanged;
            QCOMPARE(sameCell(tracker.previous(), previousRows[r], tracker.latest(), r, column),
                     byValue);
        }
    }
}

QTEST_MAIN(TestChangeTracker)
#include "tst_change_tracker.moc"
