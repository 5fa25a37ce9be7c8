#include "trend_window.h"

#include "dialogs.h"
#include "views/export_file.h"

#include <QBuffer>
#include <QChart>
#include <QChartView>
#include <QDateTime>
#include <QDateTimeAxis>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QLineSeries>
#include <QListWidget>
#include <QPixmap>
#include <QPushButton>
#include <QStringList>
#include <QVBoxLayout>
#include <QValueAxis>

#include <algorithm>
#include <limits>

namespace morvain
{

TrendWindow::TrendWindow(QWidget *parent) : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("trendWindow"));
    setWindowTitle(tr("Trends"));

    m_chart = new QChart;
    m_chart->legend()->setAlignment(Qt::AlignBottom);
    m_time = new QDateTimeAxis(m_chart);
    m_time->setFormat(QStringLiteral("HH:mm:ss"));
    m_values = new QValueAxis(m_chart);
    m_values->setLabelFormat(QStringLiteral("%.0f"));
    m_chart->addAxis(m_time, Qt::AlignBottom);
    m_chart->addAxis(m_values, Qt::AlignLeft);
    m_view = new QChartView(m_chart, this); // owns the chart
    m_view->setObjectName(QStringLiteral("chartTrend"));
    m_view->setRenderHint(QPainter::Antialiasing);

    m_list = new QListWidget(this);
    m_list->setObjectName(QStringLiteral("lstSeries"));
    m_list->setMaximumHeight(96);
    m_remove = new QPushButton(tr("Remove series"), this);
    m_remove->setObjectName(QStringLiteral("cmdRemoveSeries"));
    auto *png = new QPushButton(tr("Export PNG..."), this);
    png->setObjectName(QStringLiteral("cmdExportPng"));
    auto *csv = new QPushButton(tr("Export CSV..."), this);
    csv->setObjectName(QStringLiteral("cmdExportCsv"));

    auto *buttons = new QVBoxLayout;
    buttons->addWidget(m_remove);
    buttons->addWidget(png);
    buttons->addWidget(csv);
    buttons->addStretch();
    auto *bottom = new QHBoxLayout;
    bottom->addWidget(m_list, 1);
    bottom->addLayout(buttons);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_view, 1);
    layout->addLayout(bottom);

    connect(m_remove, &QPushButton::clicked, this, [this] { removeSeries(m_list->currentRow()); });
    connect(m_list, &QListWidget::currentRowChanged, this,
            [this](int row) { m_remove->setEnabled(row >= 0); });
    connect(png, &QPushButton::clicked, this, &TrendWindow::exportPng);
    connect(csv, &QPushButton::clicked, this, &TrendWindow::exportCsv);
    m_remove->setEnabled(false);
    fitAxes();
    resize(760, 480);
}

TrendWindow::~TrendWindow() = default;

int TrendWindow::plot(KindHistory &history, const QString &key, int column, const QString &label,
                      const QString &unit)
{
    for (std::size_t i = 0; i < m_sources.size(); ++i)
        if (m_sources[i].history == &history && m_sources[i].key == key &&
            m_sources[i].column == column)
            return int(i);

    const QString name = trendSeriesName(history.model().kindName(), key, label);
    auto *line = new QLineSeries(m_chart);
    line->setName(name);
    line->setPointsVisible(true);
    m_chart->addSeries(line);
    line->attachAxis(m_time);
    line->attachAxis(m_values);
    m_series.push_back({name, {}});
    m_sources.push_back({&history, key, column, line, unit});
    const std::size_t index = m_series.size() - 1;
    for (const SeriesPoint &point : history.course().series(key, column))
        append(index, point);
    // The legend cuts long names; the list gives them whole, beside the line's colour.
    QPixmap swatch(12, 12);
    swatch.fill(line->color());
    m_list->addItem(new QListWidgetItem(QIcon(swatch), name));
    follow(history);
    fitAxes();
    nameAxis();
    return int(index);
}

void TrendWindow::removeSeries(int index)
{
    if (index < 0 || std::size_t(index) >= m_series.size())
        return;
    QLineSeries *line = m_sources[std::size_t(index)].line;
    m_chart->removeSeries(line);
    delete line;
    m_series.erase(m_series.begin() + index);
    m_sources.erase(m_sources.begin() + index);
    delete m_list->takeItem(index);
    fitAxes();
    nameAxis();
}

// The axis names the units of the series on it; mixed units are named side by side so
// that no number passes for another.
void TrendWindow::nameAxis()
{
    QStringList units;
    for (const Source &source : m_sources)
        if (!source.unit.isEmpty() && !units.contains(source.unit))
            units << source.unit;
    m_values->setTitleText(units.join(QStringLiteral(" / ")));
}

// One connection per kind, however many of its objects are plotted.
void TrendWindow::follow(KindHistory &history)
{
    m_followed.removeAll(nullptr);
    if (m_followed.contains(&history))
        return;
    m_followed << &history;
    connect(&history, &KindHistory::updated, this,
            [this, kind = &history] { appendLatest(*kind); });
}

void TrendWindow::appendLatest(const KindHistory &history)
{
    // A forgotten history (another broker now): its series would join two brokers' lines.
    if (!history.queried()) {
        for (std::size_t i = m_sources.size(); i-- > 0;)
            if (m_sources[i].history == &history)
                removeSeries(int(i));
        return;
    }
    if (history.failed())
        return; // a failed query adds no reading
    bool added = false;
    for (std::size_t i = 0; i < m_sources.size(); ++i) {
        if (m_sources[i].history != &history)
            continue;
        // An object the latest query did not hold answers with an older reading: no point.
        const auto latest = history.course().series(m_sources[i].key, m_sources[i].column, 1);
        const std::vector<SeriesPoint> &points = m_series[i].points;
        if (!latest.empty() && (points.empty() || latest.back().at > points.back().at)) {
            append(i, latest.back());
            added = true;
        }
    }
    if (added)
        fitAxes();
}

void TrendWindow::append(std::size_t index, const SeriesPoint &point)
{
    std::vector<SeriesPoint> &points = m_series[index].points;
    QLineSeries *line = m_sources[index].line;
    if (points.size() >= maxPoints) {
        points.erase(points.begin());
        line->remove(0);
    }
    points.push_back(point);
    line->append(qreal(point.at), qreal(point.value));
}

void TrendWindow::fitAxes()
{
    qint64 first = std::numeric_limits<qint64>::max();
    qint64 last = std::numeric_limits<qint64>::min();
    qreal low = std::numeric_limits<qreal>::max();
    qreal high = std::numeric_limits<qreal>::lowest();
    for (const TrendSeries &s : m_series)
        for (const SeriesPoint &p : s.points) {
            first = std::min(first, p.at);
            last = std::max(last, p.at);
            low = std::min(low, qreal(p.value));
            high = std::max(high, qreal(p.value));
        }
    if (first > last) { // nothing plotted: the last minute, 0 to 1
        last = QDateTime::currentMSecsSinceEpoch();
        first = last - 60 * 1000;
        low = 0;
        high = 1;
    }
    if (first == last) { // one moment: half a minute either side
        first -= 30 * 1000;
        last += 30 * 1000;
    }
    if (low == high) { // one value: a band around it
        low -= 1;
        high += 1;
    }
    m_time->setRange(QDateTime::fromMSecsSinceEpoch(first), QDateTime::fromMSecsSinceEpoch(last));
    const qreal margin = (high - low) * 0.05;
    // Counts never go below zero; neither should the axis under them.
    m_values->setRange(low >= 0 ? std::max<qreal>(0, low - margin) : low - margin, high + margin);
    m_values->applyNiceNumbers();
}

void TrendWindow::exportCsv()
{
    const QString path = QFileDialog::getSaveFileName(
        this, tr("Export CSV"), QStringLiteral("trends.csv"), tr("CSV files (*.csv)"));
    if (!path.isEmpty())
        writeCsv(path);
}

void TrendWindow::exportPng()
{
    const QString path = QFileDialog::getSaveFileName(
        this, tr("Export PNG"), QStringLiteral("trends.png"), tr("PNG images (*.png)"));
    if (!path.isEmpty())
        writePng(path);
}

bool TrendWindow::writeCsv(const QString &path)
{
    return save(tr("Export CSV"), path, csv());
}

bool TrendWindow::writePng(const QString &path)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (!m_view->grab().save(&buffer, "PNG")) {
        dialogs::message(tr("Export PNG"), tr("Cannot draw the chart as a PNG image."));
        return false;
    }
    return save(tr("Export PNG"), path, bytes);
}

bool TrendWindow::save(const QString &title, const QString &path, const QByteArray &bytes)
{
    return exportFile(title, path, bytes);
}

} // namespace morvain
