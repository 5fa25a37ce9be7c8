// Every reply kind from arbitrary bytes, as the program shows it: the main window runs all
// five tabs' queries against a Broker that answers from the input (result codes,
// conversation IDs, error texts, whole reply records, a reply repeated up to past the last
// table slot, and a zero reply once the input is used up), reads every stored object back
// through the kinds' models, then picks entries of every selection list and shows every
// header. Every tab is rebuilt from each input's replies. An input that ends the program
// (the failure path) takes its window with it, and the next input meets a fresh one, as
// the next start of the program would. fuzz_replies covers the same replies without
// widgets.

#include "dialogs.h"
#include "fuzzed_broker.h"
#include "main_window/frm_main.h"
#include "object_model.h"
#include "quiet_presenter.h"
#include "views/kind_history.h"

#include "text_list.h"
#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QTemporaryDir>

#include <algorithm>
#include <cstring>
#include <memory>

using namespace morvain;
using namespace morvain::fuzz;

namespace
{

// The failure path ends the program: after it nothing more runs on that window.
template <class Work> bool underFailurePath(Work work)
{
    try {
        work();
        return true;
    } catch (const Ended &) {
        return false;
    }
}

// The rows picked from a list of n: the first few and the last, so that a table full to
// its last slot costs no more than a short one.
QList<int> rowsToPick(int n)
{
    QList<int> rows;
    for (int row = 0; row < std::min(n, 16); ++row)
        rows << row;
    if (n > 16)
        rows << n - 1;
    return rows;
}

// Every stored object as each kind's model reads it back: fields, keys and header.
void readModels(FrmMain &main)
{
    qsizetype total = 0;
    for (const ObjectModel *model : main.models()) {
        const auto columns = model->columns();
        for (int z = 1; z <= model->objectCount(); ++z) {
            const auto values = model->values(z);
            if (values.size() != columns.size())
                std::abort(); // a value for every column, in their order
            for (const FieldValue &v : values)
                total += v.text.size() + v.decoded.size();
            total += model->key(z).size();
        }
        total += model->header().total_num_objects;
    }
    volatile qsizetype sink = total; // keeps the reads
    (void)sink;
}

// Entries of every list the user can pick from, and every header, shown once.
bool showEverything(QWidget &window)
{
    for (TextList *list : window.findChildren<TextList *>())
        for (int row : rowsToPick(list->count()))
            if (!underFailurePath([&] { list->setCurrentRow(row); }))
                return false;
    for (QComboBox *combo : window.findChildren<QComboBox *>())
        for (int row : rowsToPick(combo->count()))
            if (!underFailurePath([&] {
                    combo->setCurrentIndex(row);
                    emit combo->activated(row);
                }))
                return false;
    for (QAbstractButton *button : window.findChildren<QAbstractButton *>())
        if (button->objectName().startsWith(QLatin1String("cmdShow_")) && button->isEnabled())
            if (!underFailurePath([&] { button->click(); }))
                return false;
    return true;
}

FuzzedBroker broker;
// Not destroyed at exit: Qt's own globals are gone by then.
FrmMain *window = nullptr;

} // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    startQuietly(argc, argv);
    window = new FrmMain(broker);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *bytes, std::size_t size)
{
    FuzzedDataProvider data(bytes, size);
    broker.data = &data;
    broker.reset();
    // Nothing of the inputs before: no query to compare with, no course kept.
    for (KindHistory *history : window->findChildren<KindHistory *>())
        history->forget();
    // The five queries in tab order, each on a call budget of its own.
    bool running = true;
    for (QAbstractButton *button : window->findChildren<QAbstractButton *>()) {
        if (!running || !button->objectName().startsWith(QLatin1String("cmdCall_")))
            continue;
        broker.calls = 0;
        running = underFailurePath([&] { button->click(); });
    }
    if (running) {
        readModels(*window);
        running = showEverything(*window);
    }
    broker.data = nullptr;
    if (!running) { // the program has ended: its window goes, with all it opened
        delete window;
        window = new FrmMain(broker);
    }
    // Whatever was handed to the event loop to delete goes now, not inputs later.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    return 0;
}
