// The trend window: series filled from a kind's history and extended by its queries, their
// CSV and PNG, driven by a fake kind whose objects the test writes at known times.

#include "fake_object_model.h"
#include "recording_presenter.h"
#include "temp_workdir.h"
#include "trend/trend_window.h"

#include <QApplication>
#include <QChartView>
#include <QDir>
#include <QFile>
#include <QLegend>
#include <QLegendMarker>
#include <QLineSeries>
#include <QTest>

#include <csignal>

#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

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
    void lines_breakOffWhereNothingWasRead_data();
    void lines_breakOffWhereNothingWasRead();
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

void TestTrendWindow::lines_breakOffWhereNothingWasRead_data()
{
    // Seconds of the queries; "f" a failed one. Each piece: the seconds of its points.
    QTest::addColumn<QStringList>("queries");
    QTest::addColumn<QStringList>("pieces");
    QTest::newRow("steady") << QStringList{"1", "2", "3", "4"} << QStringList{"1 2 3 4"};
    QTest::newRow("a failed query")
        << QStringList{"1", "2", "f", "4", "5"} << QStringList{"1 2", "4 5"};
    QTest::newRow("a pause, then the same pace")
        << QStringList{"1", "2", "3", "30", "31"} << QStringList{"1 2 3", "30 31"};
    QTest::newRow("a slow round is no pause")
        << QStringList{"10", "20", "30", "52", "62"} << QStringList{"10 20 30 52 62"};
}

void TestTrendWindow::lines_breakOffWhereNothingWasRead()
{
    QFETCH(QStringList, queries);
    QFETCH(QStringList, pieces);
    Rig rig;
    TrendWindow window;
    window.plot(rig.history, "9", callSum, "Calls");
    for (const QString &q : queries) {
        rig.model.reply.error_code = q == "f" ? 6 : 0;
        rig.now += 1; // a failed query's time is its own
        if (q != "f")
            rig.now = q.toLongLong() * 1000;
        rig.model.query({workerLike(9, 2, rig.now / 1000, "nine")});
    }
    QStringList drawn;
    for (QAbstractSeries *series : window.chartView()->chart()->series()) {
        QStringList at;
        for (const QPointF &p : qobject_cast<QLineSeries *>(series)->points())
            at << QString::number(qint64(p.x()) / 1000);
        drawn << at.join(' ');
    }
    QCOMPARE(drawn, pieces);
    QCOMPARE(window.series().size(), std::size_t(1)); // one series, one legend entry
    window.show();                                    // a marker is visible only in a shown legend
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    const QList<QLegendMarker *> markers = window.chartView()->chart()->legend()->markers();
    QCOMPARE(std::count_if(markers.begin(), markers.end(),
                           [](const QLegendMarker *m) { return m->isVisible(); }),
             1);
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
    QTest::addColumn<QString>("setup");    // what is there before
    QTest::addColumn<QByteArray>("start"); // of what was written; empty: nothing, a box
    QTest::addColumn<QString>("why");      // in the box
    const QByteArray csv("time,\"worker 9: Calls\"\r\n");
    QTest::newRow("csv") << false << "t.csv"
                         << "" << csv << "";
    QTest::newRow("csv over a file") << false << "t.csv"
                                     << "old" << csv << "";
    QTest::newRow("png") << true << "t.png"
                         << "" << QByteArray("\x89PNG") << "";
    QTest::newRow("png, no such folder") << true << "none/t.png"
                                         << "" << QByteArray() << "No such file";
    QTest::newRow("csv onto a read-only file") << false << "t.csv"
                                               << "read-only" << QByteArray() << "read-only";
    QTest::newRow("csv into a read-only folder")
        << false << "t.csv"
        << "read-only folder" << QByteArray() << "Permission denied";
    QTest::newRow("png onto a full disk") << true << "t.png"
                                          << "full disk" << QByteArray() << "File too large";
    QTest::newRow("csv onto a link") << false << "t.csv"
                                     << "link" << QByteArray() << "link";
}

// Whole or not at all: a write that fails leaves what was there before, and no part file.
void TestTrendWindow::export_writesTheFileOrSaysWhyNot()
{
    QFETCH(bool, png);
    QFETCH(QString, file);
    QFETCH(QString, setup);
    QFETCH(QByteArray, start);
    QFETCH(QString, why);
    TempWorkdir dir;
    Rig rig;
    rig.query(1);
    TrendWindow window;
    window.plot(rig.history, "9", callSum, "Calls");
    const QString path = dir.file(file);
    const QString other = dir.file("elsewhere.txt");
    if (!setup.isEmpty()) {
        QFile old(setup == "link" ? other : path);
        QVERIFY(old.open(QIODevice::WriteOnly) && old.write("old") == 3);
        old.close();
        if (setup == "link")
            QVERIFY(QFile::link(other, path));
    }
    // Root may write anything; its write runs as nobody where a permission is the point.
    const bool drop = ::geteuid() == 0 && setup.startsWith("read-only");
    QVERIFY(::chmod(QFile::encodeName(dir.path()).constData(), setup == "read-only folder" ? 0555
                                                               : drop                      ? 0777
                                                                      : 0700) == 0);
    if (setup == "read-only")
        QVERIFY(::chmod(QFile::encodeName(path).constData(), 0444) == 0);
    rlimit limit{};
    QCOMPARE(::getrlimit(RLIMIT_FSIZE, &limit), 0);
    const rlimit full{64, limit.rlim_max};
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    if (setup == "full disk")
        QCOMPARE(::setrlimit(RLIMIT_FSIZE, &full), 0);
    if (drop)
        QCOMPARE(::seteuid(65534), 0);
    const bool written = png ? window.writePng(path) : window.writeCsv(path);
    if (drop)
        QCOMPARE(::seteuid(0), 0);
    ::setrlimit(RLIMIT_FSIZE, &limit);
    std::signal(SIGXFSZ, oldHandler);
    ::chmod(QFile::encodeName(dir.path()).constData(), 0700);

    QCOMPARE(written, !start.isEmpty());
    QFile out(setup == "link" ? other : path);
    QCOMPARE(out.open(QIODevice::ReadOnly), written || !setup.isEmpty());
    if (out.isOpen())
        QVERIFY(out.readAll().startsWith(written ? start : QByteArray("old")));
    QCOMPARE(m_boxes.shown.size(), written ? 0 : 1);
    if (!written) {
        QCOMPARE(m_boxes.shown[0].first, QString(png ? "Export PNG" : "Export CSV"));
        QVERIFY2(m_boxes.shown[0].second.contains(why), qPrintable(m_boxes.shown[0].second));
    }
    const QStringList left = QDir(dir.path()).entryList(QDir::Files | QDir::Hidden | QDir::System);
    QCOMPARE(left.size(), int(!setup.isEmpty() || written) + int(setup == "link"));
}

QTEST_MAIN(TestTrendWindow)
#include "tst_trend_window.moc"
