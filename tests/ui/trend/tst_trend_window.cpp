// The trend window: series filled from a kind's history and extended by its queries, their
// CSV and PNG, driven by a fake kind whose objects the test writes at known times.

#include "fake_object_model.h"
#include "recording_presenter.h"
#include "temp_workdir.h"
#include "trend/trend_window.h"

#include <QApplication>
#include <QChartView>
#include <QFile>
#include <QLineSeries>
#include <QTest>

using namespace morvain;
using namespace morvain::test;

namespace
{
constexpr int callSum = 2; // its position in the fake kind's columns()

struct Rig {
    FakeObjectModel model;
    qint64 now = 0;
    KindHistory history{model, [this] { return now; }};
    // Workers 9 and 10 at 1 s, 2 s and 3 s; 10 is not there at 2 s.
    void query(int n)
    {
        now = n * 1000;
        QList<QList<FieldValue>> rows{workerLike(9, 2, 100 + 10 * n, "nine")};
        if (n != 2)
            rows << workerLike(10, 2, n, "ten");
        model.query(rows);
    }
};

// (at, value) as the chart holds them.
QList<QPointF> pointsOf(const TrendSeries &series)
{
    QList<QPointF> out;
    for (const SeriesPoint &p : series.points)
        out << QPointF(qreal(p.at), qreal(p.value));
    return out;
}

TrendSeries named(const QString &name, const QList<QPair<qint64, qint64>> &points)
{
    TrendSeries s{name, {}};
    for (const auto &[at, value] : points)
        s.points.push_back({at, value});
    return s;
}
} // namespace

class TestTrendWindow : public QObject
{
    Q_OBJECT
    RecordingPresenter m_boxes;

private slots:
    void cleanup();
    void series_fromTheHistoryThenEveryQuery_data();
    void series_fromTheHistoryThenEveryQuery();
    void csv_mergesTimesWithEmptyCells_data();
    void csv_mergesTimesWithEmptyCells();
    void export_writesTheFileOrSaysWhyNot_data();
    void export_writesTheFileOrSaysWhyNot();
};

void TestTrendWindow::cleanup()
{
    m_boxes.shown.clear();
    QCOMPARE(QApplication::topLevelWidgets().size(), 0);
}

void TestTrendWindow::series_fromTheHistoryThenEveryQuery_data()
{
    QTest::addColumn<int>("queriesBefore"); // queries made before the fields are plotted
    for (int n : {0, 1, 2, 3})
        QTest::addRow("plotted after %d queries", n) << n;
}

void TestTrendWindow::series_fromTheHistoryThenEveryQuery()
{
    QFETCH(int, queriesBefore);
    Rig rig;
    TrendWindow window;
    for (int n = 1; n <= queriesBefore; ++n)
        rig.query(n);
    QCOMPARE(window.plot(rig.history, "9", callSum, "Calls"), 0);
    QCOMPARE(window.plot(rig.history, "10", callSum, "Calls"), 1);
    QCOMPARE(window.plot(rig.history, "9", callSum, "Calls"), 0); // asked again: the same one
    for (int n = queriesBefore + 1; n <= 3; ++n)
        rig.query(n);

    const QList<QPointF> nine{{1000, 110}, {2000, 120}, {3000, 130}};
    const QList<QPointF> ten{{1000, 1}, {3000, 3}};
    QCOMPARE(window.series().size(), std::size_t(2));
    QCOMPARE(window.series()[0].name, QString("worker 9: Calls"));
    QCOMPARE(pointsOf(window.series()[0]), nine);
    QCOMPARE(pointsOf(window.series()[1]), ten);
    const QList<QAbstractSeries *> lines = window.chartView()->chart()->series();
    QCOMPARE(lines.size(), 2);
    QCOMPARE(qobject_cast<QLineSeries *>(lines[1])->points(), ten);

    // A removed series is gone from the chart and follows no more queries; the other does.
    window.removeSeries(0);
    rig.query(4);
    QCOMPARE(window.series().size(), std::size_t(1));
    QCOMPARE(window.chartView()->chart()->series().size(), 1);
    QCOMPARE(pointsOf(window.series()[0]), ten + QList<QPointF>({{4000, 4}}));
}

void TestTrendWindow::csv_mergesTimesWithEmptyCells_data()
{
    QTest::addColumn<QList<TrendSeries>>("series");
    QTest::addColumn<QByteArray>("csv");
    QTest::newRow("no series") << QList<TrendSeries>{} << QByteArray("time\r\n");
    QTest::newRow("interleaved times, one shared")
        << QList<TrendSeries>{named("a", {{1000, 1}, {3000, 3}}),
                              named("b", {{2500, 20}, {3000, -30}})}
        << QByteArray("time,\"a\",\"b\"\r\n"
                      "1970-01-01T00:00:01.000Z,1,\r\n"
                      "1970-01-01T00:00:02.500Z,,20\r\n"
                      "1970-01-01T00:00:03.000Z,3,-30\r\n");
    QTest::newRow("a series without points, names quoted")
        << QList<TrendSeries>{named("say \"hi\", twice", {}),
                              named("big", {{1'700'000'000'123, INT64_MAX}})}
        << QByteArray("time,\"say \"\"hi\"\", twice\",\"big\"\r\n"
                      "2023-11-14T22:13:20.123Z,,9223372036854775807\r\n");
}

void TestTrendWindow::csv_mergesTimesWithEmptyCells()
{
    QFETCH(QList<TrendSeries>, series);
    QFETCH(QByteArray, csv);
    QCOMPARE(trendCsv({series.cbegin(), series.cend()}), csv);
}

void TestTrendWindow::export_writesTheFileOrSaysWhyNot_data()
{
    QTest::addColumn<bool>("png");
    QTest::addColumn<QString>("file");
    QTest::addColumn<QByteArray>("start"); // of what was written; empty: nothing, a box
    QTest::newRow("csv") << false << "t.csv" << QByteArray("time,\"worker 9: Calls\"\r\n");
    QTest::newRow("png") << true << "t.png" << QByteArray("\x89PNG");
    QTest::newRow("png, no such folder") << true << "none/t.png" << QByteArray();
}

void TestTrendWindow::export_writesTheFileOrSaysWhyNot()
{
    QFETCH(bool, png);
    QFETCH(QString, file);
    QFETCH(QByteArray, start);
    TempWorkdir dir;
    Rig rig;
    rig.query(1);
    TrendWindow window;
    window.plot(rig.history, "9", callSum, "Calls");
    const bool written = png ? window.writePng(dir.file(file)) : window.writeCsv(dir.file(file));
    QCOMPARE(written, !start.isEmpty());
    QFile out(dir.file(file));
    QCOMPARE(out.open(QIODevice::ReadOnly), written);
    QVERIFY(out.readAll().startsWith(start));
    QCOMPARE(m_boxes.shown.size(), written ? 0 : 1);
    if (!written)
        QCOMPARE(m_boxes.shown[0].first, QString(png ? "Export PNG" : "Export CSV"));
}

QTEST_MAIN(TestTrendWindow)
#include "tst_trend_window.moc"
