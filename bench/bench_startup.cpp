// Measures what a user waits for with every table full: the start (five queries through
// the real tarnvel and OSTRANE), each tab's Refresh, and walking the selection lists.
// Run offscreen: QT_QPA_PLATFORM=offscreen build/default/bin/morvain_bench

#include "client_server/client_server_page.h"
#include "conversation/conversation_page.h"
#include "dialogs.h"
#include "main_window/frm_main.h"
#include "service/service_page.h"
#include "tarnvel_binding.h"
#include "worker/worker_page.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QListWidget>
#include <QTemporaryDir>
#include <QTextStream>

#include <algorithm>
#include <functional>
#include <vector>

using namespace morvain;

namespace
{

class SilentPresenter : public dialogs::Presenter
{
public:
    void message(const QString &title, const QString &text) override
    {
        QTextStream(stderr) << "unexpected box: " << title << ": " << text << "\n";
    }
    void endProgram(int status) override { std::exit(status); }
};

// Median of several runs, in milliseconds.
double measure(const std::function<void()> &work, int runs = 5)
{
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer t;
        t.start();
        work();
        times.push_back(double(t.nsecsElapsed()) / 1e6);
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    SilentPresenter presenter;
    dialogs::installPresenter(&presenter);
    qputenv("OSTRANE_SCENARIO_DIR", BENCH_SCENARIO_DIR);

    QTemporaryDir dir;
    QDir::setCurrent(dir.path());
    QFile cfg("Broker.cfg");
    if (!cfg.open(QIODevice::WriteOnly))
        return 1;
    cfg.write(QByteArray(32, ' ') + QByteArray("full").leftJustified(128, ' '));
    cfg.close();

    TarnvelBinding broker(QCoreApplication::applicationDirPath());
    QTextStream out(stdout);
    out << "start (five queries, full tables): " << measure([&] {
        FrmMain w(broker);
        w.Form_Load();
    }) << " ms\n";

    FrmMain w(broker);
    w.Form_Load();
    out << "worker Refresh (1000):        "
        << measure([&] { w.workerPage().cmdCall_worker_Click(); }) << " ms\n";
    out << "service Refresh (1000):       "
        << measure([&] { w.servicePage().cmdCall_Service_Click(); }) << " ms\n";
    out << "client/server Refresh (1000): "
        << measure([&] { w.clientServerPage().cmdCall_ClientServer_Click(); }) << " ms\n";
    out << "conversation Refresh (100):   "
        << measure([&] { w.conversationPage().cmdCall_Conversation_Click(); }) << " ms\n";

    auto *classes = w.findChild<QListWidget *>("lstServer_class");
    out << "select each of " << classes->count() << " server classes: "
        << measure(
               [&] {
                   for (int row = classes->count() - 1; row >= 0; --row)
                       classes->setCurrentRow(row);
               },
               3)
        << " ms\n";
    return 0;
}
