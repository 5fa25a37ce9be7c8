// Measures what a user waits for, each figure against a baseline measured in the same run,
// and prints the table docs/performance.md shows. Run it with
//   cmake --build --preset default --target bench
// (offscreen, through the real tarnvel and OSTRANE, against bench/scenarios/).
//
// The main window is shown on the Service tab and every row runs until the widgets it
// changed have been painted. Start-up is measured as whole processes, from exec to the
// first paint: this program starts itself for the real main window (--start-full) and for
// a bare Qt window with as many widgets (--start-bare), in turns.

#include "bare_window.h"
#include "broker_object/broker_object_page.h"
#include "client_server/client_server_page.h"
#include "conversation/conversation_page.h"
#include "dialogs.h"
#include "info_cycle.h"
#include "main_window/frm_main.h"
#include "measure.h"
#include "memory_rows.h"
#include "paint_watch.h"
#include "qt_floor.h"
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
#include <QTabWidget>
#include <QTemporaryDir>

#include <cstdio>
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

const char *startUpLabel(const QString &argument)
{
    return argument == QLatin1String("--start-full") ? "start-full" : "start-bare";
}

// A child process: the real main window, filled, or a bare one of as many widgets, shown;
// it ends the moment the window's first paint is done, so the parent's clock reads the
// whole start from exec to what the user first sees.
int startChild(int &argc, char **argv)
{
    // Under callgrind the count begins here: the loader's work, alike for both, is left out.
    CountedPiece piece(underValgrind() ? startUpLabel(argv[1]) : nullptr);
    QApplication app(argc, argv);
    const QStringList arguments = QCoreApplication::arguments().mid(1);
    SilentPresenter presenter;
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
    const bool painted = showAndPaint(*window);
    if (underValgrind()) // _Exit skips the piece's destructor
        InstructionCounter::instance().end(startUpLabel(argv[1]));
    std::fflush(stdout);
    std::_Exit(painted ? 0 : 3); // what follows the first paint is not the user's wait
}

// One whole process of this program, in milliseconds.
// Counted here when this process counts its children (perf); under callgrind the child
// marks its own piece.
double processMillis(const QStringList &arguments)
{
    QElapsedTimer t;
    t.start();
    CountedPiece piece(underValgrind() ? nullptr : startUpLabel(arguments.value(0)));
    QProcess child;
    child.setProcessChannelMode(QProcess::ForwardedChannels);
    child.start(QCoreApplication::applicationFilePath(), arguments);
    if (!child.waitForFinished(underValgrind() ? 600000 : 30000) || child.exitCode() != 0)
        std::exit(2);
    return double(t.nsecsElapsed()) / 1e6;
}

// Two kinds of process started in turn, so that a change in the machine's load weighs on
// both alike: the medians of each, and the range of the ratios pair by pair.
struct StartUp {
    double full = 0, bare = 0, lowestRatio = 0, highestRatio = 0;
};

StartUp processMedians(const QStringList &a, const QStringList &b, int runs)
{
    std::vector<double> ta, tb, ratios;
    for (int i = 0; i < repetitions(runs); ++i) {
        ta.push_back(processMillis(a));
        tb.push_back(processMillis(b));
        ratios.push_back(ta.back() / tb.back());
    }
    std::sort(ta.begin(), ta.end());
    std::sort(tb.begin(), tb.end());
    std::sort(ratios.begin(), ratios.end());
    return {ta[ta.size() / 2], tb[tb.size() / 2], ratios.front(), ratios.back()};
}

// Per selection, painted: picks every row of the list once, last to first.
double perSelectionMicros(PaintWatch &watch, TextList *list, const QList<QWidget *> &changed,
                          int rounds)
{
    const int rows = list->count();
    return medianMicros(
               [&] {
                   for (int row = rows - 1; row >= 0; --row)
                       watch.run([&] { list->setCurrentRow(row); }, changed);
               },
               rounds, "select") /
           rows;
}

} // namespace

int main(int argc, char *argv[])
{
    if (argc > 1 && QByteArray(argv[1]).startsWith("--start-"))
        return startChild(argc, argv);
    // Rows to run, by their first word (call, service, select, build, floor, memory,
    // history, start-up); all without arguments. For a profile of one row.
    QByteArrayList only;
    for (int i = 1; i < argc; ++i)
        only << QByteArray(argv[i]);
    const auto wanted = [&](const char *row) { return only.isEmpty() || only.contains(row); };
    // Memory rows are not timed, and under valgrind would take an hour: only when named.
    const auto wantedMemory = [&](const char *row) {
        return underValgrind() ? only.contains(row) : wanted(row);
    };

    QTemporaryDir dir;
    if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR")) // Qt's own, for the children too
        qputenv("XDG_RUNTIME_DIR", dir.path().toLocal8Bit());
    QApplication app(argc, argv);
    SilentPresenter presenter;
    workIn(dir.path(), "full");
    TarnvelBinding broker(QCoreApplication::applicationDirPath());
    std::vector<Row> rows;

    // The call cycle against bare calls: 1000 workers, 1001 calls, nothing stored.
    if (wanted("call")) {
        NullView view;
        InfoCycle cycle(broker, view);
        cycle.startUp(identityFor("full"));
        WorkerReply reply;
        const InfoRequest request = requestOf(cycle, kinds::worker, replyArea(reply));
        const int calls = rawQuery(broker, cycle.controlBlock(), request, reply.span());
        const auto [cycled, raw] =
            pairedMedians([&] { cycle.runList(kinds::worker, replyArea(reply), [] {}); },
                          [&] { rawQuery(broker, cycle.controlBlock(), request, reply.span()); },
                          31, "call-cycle", "call-bare");
        rows.push_back({QStringLiteral("call cycle, per call (worker query, %1 calls)").arg(calls),
                        cycled / calls, QStringLiteral("us"), raw / calls, 1.15, "call-cycle",
                        "call-bare", double(calls)});
    }

    // The window as the user has it: shown, on the Service tab. Every row below ends when
    // the widgets it changed have been painted.
    FrmMain w(broker);
    w.Form_Load();
    w.findChild<QTabWidget *>(QStringLiteral("SSTab1"))->setCurrentIndex(2);
    if (!showAndPaint(w))
        return 2;
    PaintWatch watch;
    auto *classes = w.findChild<TextList *>(QStringLiteral("lstServer_class"));
    auto *names = w.findChild<TextList *>(QStringLiteral("lstServer_name"));
    auto *services = w.findChild<TextList *>(QStringLiteral("lstService"));
    const QList<QWidget *> lists{classes, names, services};
    const auto refreshAgainst = [&](const char *brokerId) {
        assignIdentity(w.cycle().controlBlock(), identityFor(brokerId));
        watch.run([&] { w.servicePage().cmdCall_Service_Click(); }, lists);
    };

    // A service Refresh of 999 against the same query as bare calls.
    if (wanted("service")) {
        ServiceReply reply;
        const InfoRequest request = requestOf(w.cycle(), kinds::service, replyArea(reply));
        const auto [refresh, raw] = pairedMedians(
            [&] { watch.run([&] { w.servicePage().cmdCall_Service_Click(); }, lists); },
            [&] { rawQuery(broker, w.cycle().controlBlock(), request, reply.span()); }, 21,
            "service-refresh", "service-bare");
        rows.push_back({QStringLiteral("service Refresh of 999 vs its bare calls"), refresh / 1e3,
                        QStringLiteral("ms"), raw / 1e3, 1.5, "service-refresh", "service-bare"});
    }

    // Choosing a server class: each of 999 (one name each), and one with 333 names.
    if (wanted("select")) {
        refreshAgainst("full");
        rows.push_back({QStringLiteral("select a server class among %1").arg(classes->count()),
                        perSelectionMicros(watch, classes, lists, 5), QStringLiteral("us"), 0, 100,
                        "select", nullptr, double(classes->count())});
    }
    if (wanted("build")) {
        refreshAgainst("names");
        const int nameCount = names->count();
        classes->addItem(QStringLiteral("NO-SUCH-CLASS")); // a second row to move between
        const auto pick = [&](int row) { watch.run([&] { classes->setCurrentRow(row); }, lists); };
        const double round = medianMicros(
            [&] {
                for (int i = 0; i < 20; ++i) {
                    pick(1);
                    pick(0);
                }
            },
            5, "build");
        rows.push_back({QStringLiteral("build a name list of %1").arg(nameCount), round / 20,
                        QStringLiteral("us"), 0, 100, "build", nullptr, 20});
        refreshAgainst("full");
    }

    // The same picks' repaint in a copy of the tab's widgets with nothing behind them.
    if (wanted("floor")) { // the rows above leave the full tables in place
        const QStringList classEntries = classes->entries();
        refreshAgainst("names");
        const QStringList nameEntries = names->entries();
        refreshAgainst("full");
        QtFloor floor(w.servicePage());
        rows.push_back(
            {QStringLiteral("the same repaint alone: a Refresh of %1").arg(classEntries.size()),
             floor.refreshMicros(watch, classEntries, 21) / 1e3, QStringLiteral("ms"), 0, 0,
             "floor-refresh"});
        rows.push_back({QStringLiteral("the same repaint alone: a class pick"),
                        floor.classPickMicros(watch, classEntries, 5), QStringLiteral("us"), 0, 0,
                        "floor-pick", nullptr, double(classEntries.size())});
        rows.push_back(
            {QStringLiteral("the same repaint alone: a name list of %1").arg(nameEntries.size()),
             floor.nameListMicros(watch, nameEntries, 5), QStringLiteral("us"), 0, 0, "floor-names",
             nullptr, 20});
    }

    // Memory on full tables: the five tabs' Refreshes in turn, each tab in front.
    if (wantedMemory("memory"))
        rows.push_back(refreshMemoryRow(w, watch));
    if (wantedMemory("history"))
        for (const Row &row : historyMemoryRows(w.session().worker()))
            rows.push_back(row);

    // Start-up as whole processes, full tables against a bare window of as many widgets.
    StartUp startUp;
    const QStringList bareArguments = QStringList{"--start-bare"} + Census::of(w).arguments();
    if (wanted("start-up")) {
        startUp = processMedians({QStringLiteral("--start-full")}, bareArguments, 11);
        rows.push_back({QStringLiteral("start-up to first paint vs a bare window"), startUp.full,
                        QStringLiteral("ms"), startUp.bare, 1.3, "start-full", "start-bare"});
    }

    QTextStream out(stdout);
    printTable(out, rows);
    if (wanted("start-up"))
        out << "start-up, ratio of each pair of processes: " << startUp.lowestRatio << " to "
            << startUp.highestRatio << "; the bare window: " << bareArguments.join(' ') << "\n";
    out << "platform " << QGuiApplication::platformName() << ", load " << loadAverage()
        << ", paint waits cut short by their bound: " << watch.misses() << "\n";
    return 0;
}
