#pragma once
// One window of trends per main window: each "Plot over time" adds a field of an object as
// a series (the same one again only brings the window up), filled from its kind's history
// of good queries and extended by every good query after. Time runs along the x axis;
// each unit has a value axis of its own, named by it, taking the range of its series. A
// series breaks off where nothing was read: after a failed query, and across a pause far
// longer than its own pace. It never calls the broker.

#include "trend_csv.h"
#include "views/kind_history.h"

#include <QMap>
#include <QPointer>
#include <QWidget>

#include <vector>

class QChart;
class QChartView;
class QDateTimeAxis;
class QLineSeries;
class QListWidget;
class QPushButton;
class QValueAxis;

namespace morvain
{

class TrendWindow : public QWidget
{
    Q_OBJECT
public:
    // A series keeps at most this many points, its oldest dropped first.
    static constexpr std::size_t maxPoints = 20000;

    explicit TrendWindow(QWidget *parent = nullptr);
    ~TrendWindow() override;

    // Plots field `column` (its position in the kind's columns()) of object `key`, named
    // with `label`, the field's name as the tab shows it, and its `unit` ("messages"), which
    // the value axis names. Returns the series' position, that of the one already there for
    // the same object and field.
    int plot(KindHistory &history, const QString &key, int column, const QString &label,
             const QString &unit = {});
    void removeSeries(int index);
    const std::vector<TrendSeries> &series() const { return m_series; }

    QByteArray csv() const { return trendCsv(m_series); }
    // Ask for a file, then write it.
    void exportCsv();
    void exportPng();
    // A failure is shown in a box and reported as false.
    bool writeCsv(const QString &path);
    bool writePng(const QString &path);

    QChartView *chartView() const { return m_view; }

private:
    struct Source {
        QPointer<KindHistory> history;
        QString key;
        int column = 0;
        QLineSeries *line = nullptr; // the first piece, which the legend names
        QString unit;
        std::vector<QLineSeries *> pieces; // `line` first, then one after each gap
        bool broken = false;               // a failed query since the last point
    };

    void follow(KindHistory &history);
    void appendLatest(const KindHistory &history);
    void append(std::size_t index, const SeriesPoint &point);
    void fitAxes();
    QValueAxis *axisOf(const QString &unit);
    void dropUnusedAxes();
    QLineSeries *newPiece(const Source &source);
    bool save(const QString &title, const QString &path, const QByteArray &bytes);

    // Kept in step: m_series[i] is what m_sources[i] plots.
    std::vector<TrendSeries> m_series;
    std::vector<Source> m_sources;
    QList<QPointer<KindHistory>> m_followed;
    QChart *m_chart = nullptr;
    QChartView *m_view = nullptr;
    QDateTimeAxis *m_time = nullptr;
    QMap<QString, QValueAxis *> m_values; // by unit
    QListWidget *m_list = nullptr;
    QPushButton *m_remove = nullptr;
};

} // namespace morvain
