// Measures what a user waits for, each figure against a baseline measured in the same run,
// and prints the table docs/performance.md shows. Run it with
//   cmake --build --preset default --target bench
// (offscreen, through the real tarnvel and OSTRANE, against bench/scenarios/).
//
// Start-up is measured as whole processes: this program starts itself once for the real
// main window (--start-full) and once for a bare Qt window with as many widgets
// (--start-bare), several times each.

#include "bare_window.h"
#include "broker_object/broker_object_page.h"
#include "client_server/client_server_page.h"
#include "conversation/conversation_page.h"
#include "dialogs.h"
#include "info_cycle.h"
#include "main_window/frm_main.h"
#include "measure.h"
#include "service/service_page.h"
#include "service/service_reply.h"
#include "silent_presenter.h"
#include "tarnvel_binding.h"
#include "text_list.h"
#include "worker/worker_page.h"
#include "worker/worker_reply.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <cstdlib>

using namespace morvain;
using namespace morvain::bench;

namespace
{

class NullView : public CycleView
{
public:
    void showStatusMessage(const QString &) override {}
    void showHeaderMessage(const QString &) override {}
    void brokerMessage(const QString &) override {}
};

Identity identityFor(const char *brokerId)
{
    return {QString(32, ' '), QString::fromLatin1(brokerId).leftJustified(32, ' '),
            QString(32, ' '), QString(32, ' '), QString(32, ' ')};
}

void writeConfig(const char *brokerId)
{
    QFile cfg(QStringLiteral("Broker.cfg"));
    if (!cfg.open(QIODevice::WriteOnly | QIODevice::Truncate))
        std::exit(1);
    cfg.write(QByteArray(32, ' ') + QByteArray(brokerId).leftJustified(128, ' '));
}

// One list query as bare Broker calls: the opening call, then follow-ups with the returned
// conversation ID until "0003". Returns the number of calls.
int rawQuery(EntryPoint &broker, ControlBlock cb, InfoRequest request,
             std::span<std::uint8_t> reply)
{
    ErrorText error;
    cb.setCode<"call_code">(1);
    cb.setText<"first_call">(QStringLiteral("YES"));
    cb.setText<"conv_id">(QStringLiteral("NEW"));
    int calls = 0;
    for (;;) {
        ++calls;
        broker.call(cb.data(), request.data(), reply.data(), error.prepareWire());
        if (std::memcmp(cb.data() + 316, "0003", 4) == 0 || calls > 2000)
            return calls;
        cb.setCode<"call_code">(2);
        cb.setText<"first_call">(QStringLiteral("NO"));
    }
}

// The request the cycle sends for a kind, as it stands after one of its queries.
InfoRequest requestOf(InfoCycle &cycle, const ListKind &kind, ReplyArea reply)
{
    cycle.runList(kind, reply, [] {});
    return cycle.request();
}

int startChild(int &argc, char **argv)
{
    QApplication app(argc, argv);
    const QStringList arguments = QCoreApplication::arguments().mid(1);
    SilentPresenter presenter;
    dialogs::installPresenter(&presenter);
    std::unique_ptr<QMainWindow> window;
    std::unique_ptr<TarnvelBinding> broker;
    if (arguments.value(0) == QLatin1String("--start-full")) {
        broker = std::make_unique<TarnvelBinding>(QCoreApplication::applicationDirPath());
        auto *main = new FrmMain(*broker);
        window.reset(main);
        main->Form_Load();
    } else {
        window = std::make_unique<BareWindow>(Census::fromArguments(arguments.mid(1)));
    }
    window->show();
    QCoreApplication::processEvents();
    return 0;
}

// One whole process of this program, in milliseconds.
double processMillis(const QStringList &arguments)
{
    QElapsedTimer t;
    t.start();
    QProcess child;
    child.setProcessChannelMode(QProcess::ForwardedChannels);
    child.start(QCoreApplication::applicationFilePath(), arguments);
    if (!child.waitForFinished(30000) || child.exitCode() != 0)
        std::exit(2);
    return double(t.nsecsElapsed()) / 1e6;
}

// Medians of two kinds of process started in turn, so that a change in the machine's load
// weighs on both alike.
std::pair<double, double> processMedians(const QStringList &a, const QStringList &b, int runs)
{
    std::vector<double> ta, tb;
    for (int i = 0; i < runs; ++i) {
        ta.push_back(processMillis(a));
        tb.push_back(processMillis(b));
    }
    std::sort(ta.begin(), ta.end());
    std::sort(tb.begin(), tb.end());
    return {ta[ta.size() / 2], tb[tb.size() / 2]};
}

// Per selection: picks every row of the list once, last to first.
double perSelectionMicros(TextList *list, int rounds)
{
    const int rows = list->count();
    return medianMicros(
               [&] {
                   for (int row = rows - 1; row >= 0; --row)
                       list->setCurrentRow(row);
               },
               rounds) /
           rows;
}

} // namespace

int main(int argc, char *argv[])
{
    if (argc > 1 && QByteArray(argv[1]).startsWith("--start-"))
        return startChild(argc, argv);

    QTemporaryDir dir;
    if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR")) // Qt's own, for the children too
        qputenv("XDG_RUNTIME_DIR", dir.path().toLocal8Bit());
    QApplication app(argc, argv);
    SilentPresenter presenter;
    dialogs::installPresenter(&presenter);
    qputenv("OSTRANE_SCENARIO_DIR", BENCH_SCENARIO_DIR);
    QDir::setCurrent(dir.path());
    writeConfig("full");
    TarnvelBinding broker(QCoreApplication::applicationDirPath());
    std::vector<Row> rows;

    // The call cycle against bare calls: 1000 workers, 1001 calls, nothing stored.
    {
        NullView view;
        InfoCycle cycle(broker, view);
        cycle.startUp(identityFor("full"));
        WorkerReply reply;
        const InfoRequest request = requestOf(cycle, kinds::worker, replyArea(reply));
        const int calls = rawQuery(broker, cycle.controlBlock(), request, reply.span());
        const auto [cycled, raw] = pairedMedians(
            [&] { cycle.runList(kinds::worker, replyArea(reply), [] {}); },
            [&] { rawQuery(broker, cycle.controlBlock(), request, reply.span()); }, 31);
        rows.push_back({QStringLiteral("call cycle, per call (worker query, %1 calls)").arg(calls),
                        cycled / calls, QStringLiteral("us"), raw / calls, 1.15});
    }

    FrmMain w(broker);
    w.Form_Load();

    // A service Refresh of 999 against the same query as bare calls.
    {
        ServiceReply reply;
        const InfoRequest request = requestOf(w.cycle(), kinds::service, replyArea(reply));
        const auto [refresh, raw] = pairedMedians(
            [&] { w.servicePage().cmdCall_Service_Click(); },
            [&] { rawQuery(broker, w.cycle().controlBlock(), request, reply.span()); }, 21);
        rows.push_back({QStringLiteral("service Refresh of 999 vs its bare calls"), refresh / 1e3,
                        QStringLiteral("ms"), raw / 1e3, 1.5});
    }

    // Choosing a server class: each of 999 (one name each), and one with 333 names.
    auto *classes = w.findChild<TextList *>(QStringLiteral("lstServer_class"));
    w.servicePage().cmdCall_Service_Click();
    rows.push_back({QStringLiteral("select a server class among %1").arg(classes->count()),
                    perSelectionMicros(classes, 5), QStringLiteral("us"), 0, 100});
    assignIdentity(w.cycle().controlBlock(), identityFor("names"));
    w.servicePage().cmdCall_Service_Click();
    auto *names = w.findChild<TextList *>(QStringLiteral("lstServer_name"));
    const int nameCount = names->count();
    classes->addItem(QStringLiteral("NO-SUCH-CLASS")); // a second row to move between
    const double pickClass = medianMicros(
                                 [&] {
                                     for (int i = 0; i < 20; ++i) {
                                         classes->setCurrentRow(1);
                                         classes->setCurrentRow(0);
                                     }
                                 },
                                 5) /
                             20;
    rows.push_back({QStringLiteral("build a name list of %1").arg(nameCount), pickClass,
                    QStringLiteral("us"), 0, 100});

    // Memory: Refreshes of every tab in turn against a small broker.
    {
        assignIdentity(w.cycle().controlBlock(), identityFor("small"));
        const std::function<void()> refreshes[] = {
            [&] { w.brokerPage().cmdCall_Broker_Click(); },
            [&] { w.workerPage().cmdCall_worker_Click(); },
            [&] { w.servicePage().cmdCall_Service_Click(); },
            [&] { w.clientServerPage().cmdCall_ClientServer_Click(); },
            [&] { w.conversationPage().cmdCall_Conversation_Click(); },
        };
        int done = 0;
        const auto refreshUntil = [&](int count) {
            for (; done < count; ++done)
                refreshes[done % 5]();
        };
        refreshUntil(100);
        const long after100 = residentKb();
        refreshUntil(10000);
        const long after10000 = residentKb();
        rows.push_back({QStringLiteral("memory growth, 10,000 vs 100 Refreshes"),
                        double(after10000 - after100), QStringLiteral("kB"), 0, 1024});
    }

    // Start-up as whole processes, full tables against a bare window of as many widgets.
    {
        const Census census = Census::of(w);
        const auto [full, bare] = processMedians(
            {QStringLiteral("--start-full")}, QStringList{"--start-bare"} + census.arguments(), 21);
        rows.push_back({QStringLiteral("start-up, full tables vs a bare window"), full,
                        QStringLiteral("ms"), bare, 1.3});
    }

    QTextStream out(stdout);
    printTable(out, rows);
    return 0;
}
