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
#include <QLegend>
#include <QLegendMarker>
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
    m_chart->addAxis(m_time, Qt::AlignBottom);
    axisOf(QString());                      // an empty chart still shows its scale
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
    Source source{&history, key, column, nullptr, unit, {}, false};
    source.line = newPiece(source);
    source.line->setName(name);
    source.pieces.push_back(source.line);
    m_series.push_back({name, {}});
    m_sources.push_back(std::move(source));
    const std::size_t index = m_series.size() - 1;
    for (const SeriesPoint &point : history.course().series(key, column))
        append(index, point);
    // The legend cuts long names; the list gives them whole, beside the line's colour.
    QPixmap swatch(12, 12);
    swatch.fill(m_sources.back().line->color());
    m_list->addItem(new QListWidgetItem(QIcon(swatch), name));
    follow(history);
    fitAxes();
    return int(index);
}

// A line on the time axis and its unit's axis, in the colour of the series' first piece.
QLineSeries *TrendWindow::newPiece(const Source &source)
{
    auto *piece = new QLineSeries(m_chart);
    piece->setPointsVisible(true);
    m_chart->addSeries(piece);
    piece->attachAxis(m_time);
    piece->attachAxis(axisOf(source.unit));
    if (source.line) {
        piece->setName(source.line->name());
        piece->setColor(source.line->color());
        for (QLegendMarker *marker : m_chart->legend()->markers(piece))
            marker->setVisible(false);
    }
    return piece;
}

// The first unit's axis on the left, the others on the right, each named by its unit.
QValueAxis *TrendWindow::axisOf(const QString &unit)
{
    if (QValueAxis *axis = m_values.value(unit))
        return axis;
    dropUnusedAxes(); // the empty chart's scale gives way
    const bool left = std::none_of(m_values.cbegin(), m_values.cend(), [](const QValueAxis *a) {
        return a->alignment() == Qt::AlignLeft;
    });
    auto *axis = new QValueAxis(m_chart);
    axis->setLabelFormat(QStringLiteral("%.0f"));
    axis->setTitleText(unit);
    m_chart->addAxis(axis, left ? Qt::AlignLeft : Qt::AlignRight);
    m_values.insert(unit, axis);
    return axis;
}

// An axis no series is on goes.
void TrendWindow::dropUnusedAxes()
{
    for (auto it = m_values.begin(); it != m_values.end();) {
        const bool used = std::any_of(m_sources.begin(), m_sources.end(),
                                      [&](const Source &s) { return s.unit == it.key(); });
        if (used) {
            ++it;
            continue;
        }
        m_chart->removeAxis(it.value());
        delete it.value();
        it = m_values.erase(it);
    }
}

void TrendWindow::removeSeries(int index)
{
    if (index < 0 || std::size_t(index) >= m_series.size())
        return;
    for (QLineSeries *piece : m_sources[std::size_t(index)].pieces) {
        m_chart->removeSeries(piece);
        delete piece;
    }
    m_series.erase(m_series.begin() + index);
    m_sources.erase(m_sources.begin() + index);
    delete m_list->takeItem(index);
    dropUnusedAxes();
    if (m_sources.empty())
        axisOf(QString());
    fitAxes();
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
    if (history.failed()) { // no reading: the line breaks off here
        for (Source &source : m_sources)
            source.broken = source.broken || source.history == &history;
        return;
    }
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

namespace
{

// A pause after the last point this much longer than the series' usual step (the median
// of its last steps) is a time nothing was read: an auto-refresh interval stretched by a
// slow round stays well below it.
constexpr qint64 pauseFactor = 5; // in halves: 2.5 steps
constexpr std::size_t stepsWeighed = 16;

bool pausedBefore(const std::vector<SeriesPoint> &points, qint64 at)
{
    if (points.size() < 2)
        return false;
    std::vector<qint64> steps;
    for (std::size_t i = points.size() - std::min(points.size() - 1, stepsWeighed);
         i < points.size(); ++i)
        steps.push_back(points[i].at - points[i - 1].at);
    std::nth_element(steps.begin(), steps.begin() + std::ptrdiff_t(steps.size() / 2), steps.end());
    return 2 * (at - points.back().at) > pauseFactor * steps[steps.size() / 2];
}

} // namespace

void TrendWindow::append(std::size_t index, const SeriesPoint &point)
{
    std::vector<SeriesPoint> &points = m_series[index].points;
    Source &source = m_sources[index];
    if (!points.empty() && (source.broken || pausedBefore(points, point.at)))
        source.pieces.push_back(newPiece(source));
    source.broken = false;
    if (points.size() >= maxPoints) {
        points.erase(points.begin());
        // The oldest point is the first of the first piece that holds any.
        for (QLineSeries *piece : source.pieces)
            if (piece->count() > 0) {
                piece->remove(0);
                break;
            }
    }
    points.push_back(point);
    source.pieces.back()->append(qreal(point.at), qreal(point.value));
}

void TrendWindow::fitAxes()
{
    qint64 first = std::numeric_limits<qint64>::max();
    qint64 last = std::numeric_limits<qint64>::min();
    for (const TrendSeries &s : m_series)
        for (const SeriesPoint &p : s.points) {
            first = std::min(first, p.at);
            last = std::max(last, p.at);
        }
    if (first > last) { // nothing plotted: the last minute
        last = QDateTime::currentMSecsSinceEpoch();
        first = last - 60 * 1000;
    }
    if (first == last) { // one moment: half a minute either side
        first -= 30 * 1000;
        last += 30 * 1000;
    }
    m_time->setRange(QDateTime::fromMSecsSinceEpoch(first), QDateTime::fromMSecsSinceEpoch(last));
    for (auto it = m_values.begin(); it != m_values.end(); ++it) {
        qreal low = std::numeric_limits<qreal>::max();
        qreal high = std::numeric_limits<qreal>::lowest();
        for (std::size_t i = 0; i < m_sources.size(); ++i)
            if (m_sources[i].unit == it.key())
                for (const SeriesPoint &p : m_series[i].points) {
                    low = std::min(low, qreal(p.value));
                    high = std::max(high, qreal(p.value));
                }
        if (low > high) { // nothing on it: 0 to 1
            low = 0;
            high = 1;
        }
        if (low == high) { // one value: a band around it
            low -= 1;
            high += 1;
        }
        const qreal margin = (high - low) * 0.05;
        // Counts never go below zero; neither should the axis under them.
        it.value()->setRange(low >= 0 ? std::max<qreal>(0, low - margin) : low - margin,
                             high + margin);
        it.value()->applyNiceNumbers();
    }
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
