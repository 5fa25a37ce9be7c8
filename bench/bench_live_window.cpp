// What the window makes an operator wait for against one broker: its start-up (the five
// queries of Form_Load, then the first paint) and a Refresh of the Service tab, which
// blocks the window until the tab is painted again. morvain_bench_rabbitmq runs it against
// each filled broker and against the demo; on its own:
//   QT_QPA_PLATFORM=offscreen build/default/bin/morvain_bench_live_window [BROKER_ID [REFRESHES]]
// Prints "startup_ms X" and one "refresh_ms Y" line per Refresh.

#include "main_window/frm_main.h"
#include "object_page.h"
#include "paint_watch.h"
#include "silent_presenter.h"
#include "tarnvel_binding.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTextStream>
#include <QThread>

#include <algorithm>

using namespace morvain;
using namespace morvain::bench;

int main(int argc, char *argv[])
{
    QTemporaryDir dir;
    if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR")) // Qt's own
        qputenv("XDG_RUNTIME_DIR", dir.path().toLocal8Bit());
    qputenv("XDG_CONFIG_HOME", dir.path().toLocal8Bit()); // no rules file, no settings
    QApplication app(argc, argv);
    SilentPresenter presenter;
    const QByteArray brokerId = argc > 1 ? QByteArray(argv[1]) : QByteArray();
    const int refreshes = std::clamp(argc > 2 ? std::atoi(argv[2]) : 5, 1, 50);
    workIn(dir.path(), brokerId.constData());

    QTextStream out(stdout);
    TarnvelBinding broker(QCoreApplication::applicationDirPath());
    QElapsedTimer clock;
    clock.start();
    FrmMain w(broker);
    w.Form_Load();
    if (!showAndPaint(w))
        return 2;
    out << "startup_ms " << clock.nsecsElapsed() / 1e6 << Qt::endl;

    auto *tabs = w.findChild<QTabWidget *>(QStringLiteral("SSTab1"));
    tabs->setCurrentIndex(2);
    ObjectPage *services = w.pages()[2];
    PaintWatch watch;
    for (int i = 0; i < refreshes; ++i) {
        QThread::msleep(2500); // past the round's idle gap: a Refresh of its own
        clock.restart();
        watch.run([&] { services->callBroker(); }, {services});
        out << "refresh_ms " << clock.nsecsElapsed() / 1e6 << Qt::endl;
    }
    return watch.misses() > 0 ? 3 : 0;
}
