// Screenshots for the documentation, taken on a real X display (Xvfb will do):
//   morvain_screens splash|about <file.png>
// The splash is photographed while its calling notice is up, from inside the main-window
// factory, which is the moment a user sees it for longest; the About box once it is shown.

#include "about/frm_about.h"
#include "screen_capture.h"
#include "splash/frm_splash.h"

#include <QApplication>
#include <QProcess>
#include <QTimer>

#include <cstdio>

namespace
{

bool shoot(const QWidget &window, const QString &file)
{
    QApplication::processEvents();
    return morvain::test::captureScreen(window.frameGeometry(), file);
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    if (!morvain::test::argumentCountIs(argc, 2, "morvain_screens splash|about <file.png>"))
        return 2;
    const QString what = QString::fromLocal8Bit(argv[1]);
    const QString file = QString::fromLocal8Bit(argv[2]);
    int status = 1;

    if (what == QLatin1String("splash")) {
        morvain::FrmSplash *splash = nullptr;
        splash = new morvain::FrmSplash([&]() -> QWidget * {
            status = shoot(*splash, file) ? 0 : 1;
            QTimer::singleShot(0, &app, &QApplication::quit);
            return nullptr;
        });
        splash->show();
        // Let the animation run a little, then close it as a click would.
        QTimer::singleShot(800, splash, &morvain::FrmSplash::Frame1_Click);
    } else if (what == QLatin1String("about")) {
        auto *about = new morvain::FrmAbout;
        about->show();
        QTimer::singleShot(800, about, [&, about] {
            status = shoot(*about, file) ? 0 : 1;
            about->cmdOK_Click();
            app.quit();
        });
    } else {
        std::fprintf(stderr, "usage: morvain_screens splash|about <file.png>\n");
        return 2;
    }
    app.exec();
    return status;
}
