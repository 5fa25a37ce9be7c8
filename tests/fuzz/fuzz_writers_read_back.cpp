// The read-back half of fuzz_writers, built without coverage: the parsers are not under
// test, and instrumented they took most of each input's time.

#include "csv_document.h"
#include "document_readers.h"
#include "json_document.h"
#include "kind_reading.h"
#include "object_model.h"
#include "prometheus_document.h"
#include "snapshot_report.h"

#include <nlohmann/json.hpp>

#include <cstdio>
#include <cstdlib>

using namespace morvain;

namespace
{

[[noreturn]] void fail(const char *what, const std::string &detail = {})
{
    std::fprintf(stderr, "fuzz_writers: %s %s\n", what, detail.c_str());
    std::abort();
}

void check(bool ok, const char *what)
{
    if (!ok)
        fail(what);
}

} // namespace

// Each document read back; the counts each holds agree with the models.
void readBack(const SnapshotReport &report)
{
    nlohmann::json json;
    test::Exposition prom;
    try {
        json = nlohmann::json::parse(json::document(report).toStdString());
        prom = test::readPrometheus(prometheus::document(report).toStdString());
    } catch (const std::exception &e) {
        fail("a document that does not read back:", e.what());
    }
    check(json["kinds"].size() == std::size_t(report.kinds.size()), "JSON kinds");
    check(prom.named("morvain_up").size() == std::size_t(report.kinds.size()), "morvain_up");
    for (qsizetype k = 0; k < report.kinds.size(); ++k) {
        const ObjectModel &model = *report.kinds.at(k).model;
        const exporting::KindReading reading = exporting::readingOf(model);
        const nlohmann::json &kind = json["kinds"][std::size_t(k)];
        check(kind["ok"] == reading.ok, "JSON ok");
        check(kind["objects"].size() == std::size_t(model.objectCount()), "JSON objects");
        std::vector<std::vector<std::string>> csv;
        try {
            csv = test::readCsv(csv::document(model).toStdString());
        } catch (const std::exception &e) {
            fail("a CSV that does not read back:", e.what());
        }
        check(csv.size() == 1 + std::size_t(reading.ok ? reading.objects : 0), "CSV rows");
        const std::string prefix = "morvain_" + model.kindName().toStdString() + "_";
        for (const test::Sample &s : prom.samples)
            check(reading.ok || s.name.rfind(prefix, 0) != 0, "a sample of a failed kind");
    }
}
