#include "memory_rows.h"

#include "main_window/frm_main.h"
#include "object_page.h"
#include "paint_watch.h"
#include "query_history.h"

#include <QTabWidget>

namespace morvain::bench
{

Row refreshMemoryRow(FrmMain &window, PaintWatch &watch)
{
    auto *tabs = window.findChild<QTabWidget *>(QStringLiteral("SSTab1"));
    const QList<ObjectPage *> &pages = window.pages();
    int done = 0;
    const auto refreshUntil = [&](int count) {
        for (; done < count; ++done) {
            const int tab = done % int(pages.size());
            ObjectPage *page = pages[tab];
            watch.run(
                [&] {
                    tabs->setCurrentIndex(tab);
                    page->callBroker();
                },
                {page});
        }
    };
    // A history keeps at most 720 queries of its kind: 3600 Refreshes fill all five.
    refreshUntil(4000);
    const long warm = residentKb();
    refreshUntil(10000);
    const long after = residentKb();
    tabs->setCurrentIndex(2);
    return {QStringLiteral("memory growth, Refreshes 4,000 to 10,000 (full)"), double(after - warm),
            QStringLiteral("kB"), 0, 1024};
}

std::vector<Row> historyMemoryRows(const ObjectModel &model)
{
    const int objects = model.shownCount();
    int numbers = 0;
    for (const FieldInfo &column : model.columns())
        numbers += column.kind != FieldKind::Text;
    // Keys as their characters, and what keeps one object's readings together (its entry
    // in the history's hash with the two sequences' own bookkeeping) as 256 bytes.
    std::size_t keyBytes = 0;
    for (int z = 1; z <= objects; ++z)
        keyBytes += std::size_t(model.key(z).size()) * sizeof(QChar) + 256;
    const std::size_t queries = 720;
    const double boundKb = double(queries * std::size_t(objects) * std::size_t(4 + 8 * numbers) +
                                  queries * 8 + keyBytes) /
                           1024;

    const long before = residentKb();
    QueryHistory history;
    for (int i = 0; i < 10000; ++i)
        history.record(model, qint64(i) * 1000); // one a second: the count limit applies
    const long after = residentKb();
    const QString what = QStringLiteral("history of 10,000 queries of %1, %2").arg(objects);
    return {{what.arg(QStringLiteral("bytesUsed")), double(history.bytesUsed()) / 1024,
             QStringLiteral("kB"), 0, boundKb},
            {what.arg(QStringLiteral("resident")), double(after - before), QStringLiteral("kB"), 0,
             boundKb}};
}

} // namespace morvain::bench
