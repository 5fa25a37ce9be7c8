#pragma once
// What the writers add for a kind's extras (object_extras.h), the fields its records have no
// place for: CSV columns after the record's, a JSON member "extras" on each object that has
// them, and Prometheus families for the numbers. Without extras the documents stay as they
// were, byte for byte.

#include "object_extras.h"
#include "text_out.h"

#include <QByteArray>
#include <QString>

namespace morvain::exporting
{

// CSV: the extra fields' names after the record's, and an object's values (empty cells
// when it has none).
void appendCsvExtrasHeader(Document &out, const ObjectExtras &extras);
void appendCsvExtras(Document &out, const ObjectExtras &extras, const QString &key);

// JSON: `, "extras": {"num_errors": 2, "last_error": "...", ...}` for an object that has
// them, else nothing.
QByteArray jsonExtras(const ObjectExtras &extras, const QString &key);

// Prometheus: every number extra as the family morvain_<kind>_<field>, one sample per shown
// object that has it, labelled like the record's samples.
void appendPrometheusExtras(Document &out, const ObjectModel &model, const ObjectExtras &extras,
                            const QByteArray &brokerLabel);

} // namespace morvain::exporting
