// Morvain: the splash screen comes first; when it closes it loads the main window, whose
// start runs the five queries while the splash says "Calling Broker ... please wait".

#include "main_window/frm_main.h"
#include "splash/frm_splash.h"
#include "tarnvel_binding.h"
#include "views/auto_refresh.h"
#include "views/operator_views.h"

#include <QApplication>

#include <csignal>
#include <cstdio>

namespace
{

// `--auto-refresh SECONDS` starts an unattended monitor with auto refresh on, as the View
// menu would set it. Returns the seconds (0 when not given), or -1 for a wrong command line.
int autoRefreshFromArguments(const QStringList &args)
{
    int seconds = 0;
    for (int i = 1; i < args.size(); ++i) {
        if (args[i] != QLatin1String("--auto-refresh") || i + 1 == args.size())
            return -1;
        bool ok = false;
        seconds = args[++i].toInt(&ok);
        if (!ok || seconds <= 0 || !morvain::AutoRefresh::choices.contains(seconds))
            return -1;
    }
    return seconds;
}

} // namespace

int main(int argc, char *argv[])
{
#ifdef SIGPIPE
    // A window must not end silently because whoever read its standard error went away
    // (OSTRANE_LOG=1 piped into a pager or head): such a write fails and is forgotten.
    std::signal(SIGPIPE, SIG_IGN);
#endif
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Morvain Service"));
    const int autoRefresh = autoRefreshFromArguments(QCoreApplication::arguments());
    if (autoRefresh < 0) {
        std::fputs("usage: Morvain [--auto-refresh 5|10|30|60]\n", stderr);
        return 2;
    }

    // tarnvel is taken from the program's own folder only, never the current directory.
    morvain::TarnvelBinding broker(QCoreApplication::applicationDirPath());
    auto *splash = new morvain::FrmSplash([&broker, autoRefresh]() -> QWidget * {
        auto *window = new morvain::FrmMain(broker);
        window->setAttribute(Qt::WA_DeleteOnClose);
        if (autoRefresh > 0) {
            // Nobody may be there to click: the start's boxes are held as a round's are.
            window->views().autoRefresh().holdBoxesOf([window] { window->Form_Load(); });
            window->views().autoRefresh().setInterval(autoRefresh);
        } else {
            window->Form_Load();
        }
        return window;
    });
    splash->show();
    return app.exec();
}
