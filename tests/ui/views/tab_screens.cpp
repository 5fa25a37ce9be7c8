// Each tab and the services table against the broker a folder's "Broker.cfg" names, taken
// on a real X display (Xvfb will do):
//   morvain_tab_screens <folder> <prefix>
// writes <prefix>broker.png, <prefix>worker.png, <prefix>service.png,
// <prefix>client-server.png, <prefix>conversation.png and <prefix>services-table.png, and
// on a RabbitMQ broker <prefix>queues-table.png (one row per queue).

#include "main_window/frm_main.h"
#include "object_page.h"
#include "screen_capture.h"
#include "tarnvel_binding.h"
#include "views/operator_views.h"
#include "views/table_window.h"

#include <QApplication>
#include <QDir>
#include <QTabWidget>
#include <QTableView>
#include <QTest>

using namespace morvain;

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    if (!test::argumentCountIs(argc, 2, "morvain_tab_screens <folder> <prefix>"))
        return 2;
    const QDir out(QDir(QString::fromLocal8Bit(argv[1])).absolutePath());
    const QString prefix = QString::fromLocal8Bit(argv[2]);
    TarnvelBinding broker(QCoreApplication::applicationDirPath());
    FrmMain w(broker);
    w.Form_Load();
    w.move(0, 0);
    w.show();
    auto *tabs = w.findChild<QTabWidget *>(QStringLiteral("SSTab1"));
    const char *names[] = {"broker", "worker", "service", "client-server", "conversation"};
    bool ok = true;
    for (int tab = 0; tab < 5; ++tab) {
        tabs->setCurrentIndex(tab);
        w.pages()[tab]->callBroker(); // the tab's own Refresh: values of now
        QTest::qWait(600);
        ok = test::captureScreen(w.frameGeometry(),
                                 out.filePath(prefix + QLatin1String(names[tab]) + ".png")) &&
             ok;
    }
    // Each window closed after its picture: the next one takes its place on the screen.
    const auto shoot = [&](TableWindow *table, const QString &name) {
        table->move(0, 0);
        table->resize(1200, 360);
        table->view()->resizeColumnsToContents();
        QTest::qWait(600);
        ok = test::captureScreen(table->frameGeometry(), out.filePath(prefix + name)) && ok;
        table->close();
    };
    shoot(w.views().openTable(2), QStringLiteral("services-table.png"));
    if (w.views().source() == BrokerSource::RabbitMq)
        shoot(w.views().openQueueTable(), QStringLiteral("queues-table.png"));
    return ok ? 0 : 1;
}
