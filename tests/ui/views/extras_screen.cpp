// The services table scrolled to its extras columns (a NATS endpoint's errors, last error
// and average processing time) against the broker a folder's "Broker.cfg" names, taken on
// a real X display (Xvfb will do):
//   morvain_extras_screen <file.png>
// run in that folder. The key columns stay frozen on the left.

#include "main_window/frm_main.h"
#include "object_page.h"
#include "screen_capture.h"
#include "tarnvel_binding.h"
#include "views/object_table_model.h"
#include "views/operator_views.h"
#include "views/table_window.h"

#include <QApplication>
#include <QScrollBar>
#include <QTableView>
#include <QTest>

using namespace morvain;

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    if (!test::argumentCountIs(argc, 1, "morvain_extras_screen <file.png>"))
        return 2;
    const QString file = QString::fromLocal8Bit(argv[1]);
    TarnvelBinding broker(QCoreApplication::applicationDirPath());
    FrmMain w(broker);
    w.Form_Load();
    w.show();
    w.pages()[2]->callBroker(); // the Service tab's Refresh
    TableWindow *table = w.views().openTable(2);
    table->move(0, 0);
    table->resize(1280, 420);
    QTableView *view = table->view();
    view->resizeColumnsToContents();
    // The last error of the endpoint that failed most, first.
    const QAbstractItemModel *rows = view->model();
    for (int c = 0; c < rows->columnCount(); ++c)
        if (rows->headerData(c, Qt::Horizontal, ObjectTableModel::FieldNameRole) == "num_errors")
            view->sortByColumn(c, Qt::DescendingOrder);
    QTest::qWait(400); // laid out at its size first: then the scroll range is known
    view->horizontalScrollBar()->setValue(view->horizontalScrollBar()->maximum());
    QTest::qWait(600);
    return test::captureScreen(table->frameGeometry(), file) ? 0 : 1;
}
