// Morvain: the splash screen comes first; when it closes it loads the main window, whose
// start runs the five queries while the splash says "Calling Broker ... please wait".

#include "main_window/frm_main.h"
#include "splash/frm_splash.h"
#include "tarnvel_binding.h"

#include <QApplication>

#include <csignal>

int main(int argc, char *argv[])
{
#ifdef SIGPIPE
    // A window must not end silently because whoever read its standard error went away
    // (OSTRANE_LOG=1 piped into a pager or head): such a write fails and is forgotten.
    std::signal(SIGPIPE, SIG_IGN);
#endif
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Morvain Service"));

    // tarnvel is taken from the program's own folder only, never the current directory.
    morvain::TarnvelBinding broker(QCoreApplication::applicationDirPath());
    auto *splash = new morvain::FrmSplash([&broker]() -> QWidget * {
        auto *window = new morvain::FrmMain(broker);
        window->setAttribute(Qt::WA_DeleteOnClose);
        window->Form_Load();
        return window;
    });
    splash->show();
    return app.exec();
}
