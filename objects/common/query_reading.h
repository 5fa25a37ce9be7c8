#pragma once
// What the last query of a kind says about itself, so that no view shows a failed query
// or a cut list as if it were good and whole. Widget-free: the tabs' message bars, the
// table windows and the snapshot read the same verdict.
//
// A query failed when the header of its last reply carries a non-zero error_code (the
// client library's code for what went wrong); its objects are then the reply records as
// the library left them, not data. A list is cut when the header's total_num_objects is
// larger than the objects the query brought.

#include "object_model.h"

#include <QString>

#include <optional>

namespace morvain
{

struct QueryReading {
    bool failed = false;
    int errorCode = 0;
    int shown = 0; // objects the views list (the closing reply left out)
    int total = 0; // objects the broker holds, by its header; never below shown
    bool cut() const { return !failed && total > shown; }
};

QueryReading readingOf(const ObjectModel &model);

// "Error 401: the broker refused the credentials", the words for a client library's error
// code: HTTP statuses and the stand-in's own transport codes.
QString errorCodeMeaning(int errorCode);
// What an operator can do about it, or empty when nothing general can be said.
QString likelyFix(int errorCode);

// The message bar of a tab: what failed, when, the broker's error text, what the values
// below are, and the likely fix; or, for a cut list, "Showing 3 of 1500 services"; or,
// for a good query whose first reply says what the broker left out ("2 vhosts not
// readable by monitor"), that. Empty for a good, whole query. Times are milliseconds since the
// epoch; lastGood is the time of the kind's last good query, if any.
struct ReadingText {
    QString kindTitle; // "services"; empty for the broker object, which has no table
    QString errorText; // as the status bar shows it
    qint64 queriedAt = 0;
    std::optional<qint64> lastGoodAt;
    QString openingText; // the query's first reply's text
};
QString readingMessage(const QueryReading &reading, const ReadingText &text);

} // namespace morvain
