#pragma once
// One kind's stored objects as a CSV document (RFC 4180), for spreadsheets and scripts.
//
// - A header row of column names, then one row per stored object, in store order.
// - A code field takes two columns: the code as stored ("status") and its word
//   ("status_word", empty when the code has none).
// - Texts are written as the lists show them: up to the first zero byte, blanks trimmed
//   off both ends; every other character stays. Numbers are their decimal text.
// - A failed query writes the header row alone; the reply that ended a list is no row.
// - Extras (object_extras.h), when given, are columns after the record's: empty where an
//   object has none.
// - UTF-8, CRLF after every row; a field holding a comma, quote, CR, LF or any other
//   control character is quoted, with quotes doubled.

#include <QByteArray>

namespace morvain
{
class ObjectModel;
class ObjectExtras;

namespace csv
{
QByteArray document(const ObjectModel &model, const ObjectExtras *extras = nullptr);
} // namespace csv
} // namespace morvain
