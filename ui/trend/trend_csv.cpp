#include "trend_csv.h"

#include <QDateTime>

#include <algorithm>

namespace morvain
{

namespace
{
QByteArray quoted(const QString &text)
{
    QByteArray out = text.toUtf8();
    out.replace('"', "\"\"");
    return '"' + out + '"';
}
} // namespace

QString trendSeriesName(const QString &kindName, const QString &key, const QString &label)
{
    QString object = kindName;
    if (!key.isEmpty())
        object += u' ' + key.split(u'\x1f').join(u'/');
    return object + QStringLiteral(": ") + label;
}

QByteArray trendCsv(const std::vector<TrendSeries> &series)
{
    QByteArray out = "time";
    std::vector<qint64> times;
    for (const TrendSeries &s : series) {
        out += ',' + quoted(s.name);
        for (const SeriesPoint &p : s.points)
            times.push_back(p.at);
    }
    out += "\r\n";
    std::sort(times.begin(), times.end());
    times.erase(std::unique(times.begin(), times.end()), times.end());

    std::vector<std::size_t> next(series.size(), 0); // per series: its first unwritten point
    for (qint64 at : times) {
        out += QDateTime::fromMSecsSinceEpoch(at, Qt::UTC).toString(Qt::ISODateWithMs).toUtf8();
        for (std::size_t i = 0; i < series.size(); ++i) {
            const std::vector<SeriesPoint> &points = series[i].points;
            std::size_t &n = next[i];
            while (n < points.size() && points[n].at < at)
                ++n; // never the case for ordered points; keeps a stray one from stalling
            out += ',';
            if (n < points.size() && points[n].at == at)
                out += QByteArray::number(qlonglong(points[n++].value));
        }
        out += "\r\n";
    }
    return out;
}

} // namespace morvain
