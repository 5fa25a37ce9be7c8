// A box's tooltip with its unit, taken on a real X display (Xvfb will do) from a folder
// whose "Broker.cfg" names the broker (a live RabbitMQ with traffic shows its words):
//   morvain_legend_screens <folder>
// writes tooltip-unit.png: the Service tab with the tooltip of its "Short Buffers: Num
// active" box up.

#include "main_window/frm_main.h"
#include "screen_capture.h"
#include "tarnvel_binding.h"
#include "text_list.h"
#include "views/full_text_tooltips.h"

#include <QApplication>
#include <QDir>
#include <QLineEdit>
#include <QTabWidget>
#include <QTest>
#include <QToolTip>

using namespace morvain;

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    if (!test::argumentCountIs(argc, 1, "morvain_legend_screens <folder>"))
        return 2;
    const QDir out(QDir(QString::fromLocal8Bit(argv[1])).absolutePath());
    TarnvelBinding broker(QCoreApplication::applicationDirPath());
    FrmMain w(broker);
    w.Form_Load();
    w.move(0, 0);
    w.show();
    w.findChild<QTabWidget *>("SSTab1")->setCurrentIndex(2);
    // The queue the most messages wait in: the class whose entry the traffic fills.
    if (auto *classes = w.findChild<TextList *>("lstServer_class"))
        for (int row = 0; row < classes->count(); ++row)
            if (classes->text(row) == QLatin1String("billing"))
                classes->setCurrentRow(row);
    QTest::qWait(500);
    auto *box = w.findChild<QLineEdit *>("txtSshort_act");
    if (!box)
        return 1;
    QToolTip::showText(box->mapToGlobal(QPoint(8, box->height())),
                       FullTextToolTips::textAt(box, QPoint(4, 4)), box);
    QTest::qWait(400);
    // The tooltip may reach past the window's edge: the picture takes both.
    QRect r = w.frameGeometry();
    for (QWidget *top : QApplication::topLevelWidgets())
        if (top->isVisible() && top->inherits("QTipLabel"))
            r = r.united(top->geometry());
    return test::captureScreen(r, out.filePath("tooltip-unit.png")) ? 0 : 1;
}
