#pragma once
// Series of one field of one object over time, and their CSV form: a "time" column and one
// column per series, a row per moment any series has a reading, oldest first. Widget-free.

#include "query_history.h"

#include <QByteArray>
#include <QString>

#include <vector>

namespace morvain
{

struct TrendSeries {
    QString name;                    // for a person: "service CLASS/NAME/SVC: Num active"
    std::vector<SeriesPoint> points; // strictly later each, milliseconds since the epoch
};

// "<kind> <key's parts joined by '/'>: <label>"; the broker object has no key.
QString trendSeriesName(const QString &kindName, const QString &key, const QString &label);

// RFC 4180, CRLF after every row: the header "time" and the series' names, each quoted;
// then per moment its UTC time in ISO 8601 with milliseconds and each series' reading, or
// an empty cell where a series has none then.
QByteArray trendCsv(const std::vector<TrendSeries> &series);

} // namespace morvain
