// Every reply kind from arbitrary bytes, as the program reads and shows it: the main window
// runs each tab's query against a Broker that answers from the input (result codes,
// conversation IDs, error texts, whole reply records, a reply repeated up to past the last
// table slot), reads every stored object back through the kinds' models, then picks
// entries of every selection list and shows every header.

#include "dialogs.h"
#include "entry_point.h"
#include "main_window/frm_main.h"
#include "object_model.h"
#include "quiet_presenter.h"

#include "text_list.h"
#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QTemporaryDir>

#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstring>
#include <memory>

using namespace morvain;
using namespace morvain::fuzz;

namespace
{

constexpr int maxCallsPerQuery = 1200; // past the last slot of the largest table

class FuzzedBroker : public EntryPoint
{
public:
    FuzzedDataProvider *data = nullptr;
    int calls = 0;

    int call(std::uint8_t *controlBlock, std::uint8_t *request, std::uint8_t *reply,
             std::uint8_t *errorText) override
    {
        // The reply record is the object length the request names plus its 32-byte header.
        std::int32_t objectLength = 0;
        std::memcpy(&objectLength, request, 4); // object_length, little-endian like the host
        const std::size_t replySize = std::size_t(objectLength) + 32;
        if (objectLength < 0 || replySize > m_last.size())
            return 0;
        if (++calls > maxCallsPerQuery || data->remaining_bytes() == 0) {
            std::memcpy(controlBlock + 316, "0003", 4);
            return 0;
        }
        if (m_repeats > 0) {
            --m_repeats;
            std::memcpy(controlBlock + 316, "0000", 4);
            std::memcpy(reply, m_last.data(), replySize);
            return 0;
        }
        static const char *const codes[] = {"0000", "0002", "0003", "0001"};
        const int pick = data->ConsumeIntegralInRange(0, 4);
        if (pick < 4)
            std::memcpy(controlBlock + 316, codes[pick], 4);
        else
            writeBytes(controlBlock + 316, 4);
        if (data->ConsumeBool())
            writeBytes(controlBlock + 292, 16);
        if (data->ConsumeBool())
            writeBytes(errorText, 40);
        writeBytes(reply, replySize);
        std::memcpy(m_last.data(), reply, replySize);
        m_repeats = data->ConsumeBool() ? data->ConsumeIntegralInRange(0, maxCallsPerQuery) : 0;
        return data->ConsumeIntegral<int>();
    }

    void reset() { m_repeats = 0; }

private:
    void writeBytes(std::uint8_t *to, std::size_t n)
    {
        const auto bytes = data->ConsumeBytes<std::uint8_t>(n);
        if (!bytes.empty())
            std::memcpy(to, bytes.data(), bytes.size());
    }

    std::array<std::uint8_t, 512> m_last{};
    int m_repeats = 0;
};

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

} // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    startQuietly(argc, argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *bytes, std::size_t size)
{
    FuzzedDataProvider data(bytes, size);
    broker.data = &data;
    broker.reset();
    // A window of its own for each input, as a fresh start of the program has, gone with
    // everything it opened when the input is done, whether or not the program ended.
    const auto window = std::make_unique<FrmMain>(broker);
    // The queries the input asks for, in tab order, each on a call budget of its own.
    bool running = true;
    for (QAbstractButton *button : window->findChildren<QAbstractButton *>()) {
        if (!running || !button->objectName().startsWith(QLatin1String("cmdCall_")) ||
            !data.ConsumeBool())
            continue;
        broker.calls = 0;
        running = underFailurePath([&] { button->click(); });
    }
    if (running) {
        readModels(*window);
        running = showEverything(*window);
    }
    broker.data = nullptr;
    // Whatever the window handed to the event loop to delete goes now, not inputs later.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    return 0;
}
