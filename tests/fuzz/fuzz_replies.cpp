// Every reply kind from arbitrary bytes, as the program stores and reads it, without a
// window: a fresh session for each input runs the queries the input asks for against a
// Broker that answers from the input, then reads every stored object back through the
// kinds' models (fields, keys, the lists the tabs walk, look-ups) and says what each query
// was (failed, cut). The same replies through the window are fuzz_window's.

#include "fuzzed_broker.h"
#include "query_failure.h"
#include "query_reading.h"
#include "session/session.h"

#include <QCoreApplication>

#include <algorithm>
#include <cstdlib>
#include <memory>

using namespace morvain;
using namespace morvain::fuzz;

namespace
{

// The cycle's words go nowhere: they are the status bar's and the boxes' business.
class QuietView : public CycleView
{
public:
    void showStatusMessage(const QString &) override {}
    void showHeaderMessage(const QString &) override {}
    void brokerMessage(const QString &) override {}
};

qsizetype sink = 0; // keeps the reads

void read(const QStringList &texts)
{
    for (const QString &t : texts)
        sink += t.size();
}

// The objects read back: the first few and the last, so that a table full to its last
// slot costs no more than a short one.
QList<int> objectsToRead(int count)
{
    QList<int> picked;
    for (int z = 1; z <= std::min(count, 16); ++z)
        picked << z;
    if (count > 16)
        picked << count;
    return picked;
}

// Stored objects through every reading a view makes of them.
void readBack(Session &session)
{
    for (ObjectModel *model : session.models()) {
        const qsizetype columns = model->columns().size();
        for (int z : objectsToRead(model->objectCount())) {
            const QList<FieldValue> values = model->values(z);
            if (values.size() != columns)
                std::abort(); // a value for every column, in their order
            for (const FieldValue &v : values)
                sink += v.text.size() + v.decoded.size();
            if (model->key(z) != model->keyOfRecord(model->record(z).bytes))
                std::abort(); // a key read off a kept record is the same key
        }
        const QueryReading reading = readingOf(*model);
        if (reading.shown < 0 || reading.total < reading.shown)
            std::abort();
    }
    ServiceModel &services = session.service();
    const QStringList classes = services.serverClasses();
    for (const QString &serverClass : classes) {
        const QStringList names = services.serverNames(serverClass);
        for (const QString &name : names) {
            const QStringList offered = services.services(name);
            read(offered);
            // The first may be under another class: the list does not compare classes.
            if (!offered.isEmpty())
                sink += services.find(serverClass, name, offered.first());
        }
    }
    read(session.worker().workerIds());
    for (const QString &id : session.clientServer().distinctKeys())
        if (session.clientServer().find(id) < 1)
            std::abort(); // a listed user is found
    for (const QString &id : session.conversation().distinctKeys())
        if (session.conversation().find(id) < 1)
            std::abort();
}

FuzzedBroker broker;
QuietView view;

} // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    new QCoreApplication(*argc, *argv); // lives as long as the fuzzer
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *bytes, std::size_t size)
{
    FuzzedDataProvider data(bytes, size);
    broker.data = &data;
    broker.reset();
    // A session of its own for each input, as a fresh start of the program has.
    const auto session = std::make_unique<Session>(broker, view);
    session->cycle().startUp({});
    bool running = true;
    for (ObjectModel *model : session->models()) {
        if (!running || !data.ConsumeBool())
            continue;
        broker.calls = 0;
        try {
            model->query(session->cycle());
        } catch (const QueryFailure &) {
            running = false; // the program would end here: a table overflowed
        }
    }
    if (running)
        readBack(*session);
    broker.data = nullptr;
    return 0;
}
