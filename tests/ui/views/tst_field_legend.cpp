// The one table of what each field is: every field of every kind has its words for every
// source, the captions are the tabs' own, the RabbitMQ words of a few fields, the legends
// in the docs, and a box and a table header that say the unit.

#include "config/frm_config.h"
#include "fake_entry_point.h"
#include "field_legend.h"
#include "main_window/frm_main.h"
#include "object_page.h"
#include "service/service_extras.h"
#include "temp_workdir.h"
#include "thresholds/thresholds_dialog.h"
#include "thresholds/thresholds_ui.h"
#include "trend/trend_window.h"
#include "views/full_text_tooltips.h"
#include "views/object_table_model.h"
#include "views/operator_views.h"
#include "views/table_window.h"

#include <QAbstractAxis>
#include <QApplication>
#include <QChart>
#include <QChartView>
#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>

using namespace morvain;
using test::FakeEntryPoint;
using test::TempWorkdir;

Q_DECLARE_METATYPE(morvain::BrokerSource)

namespace
{
QString latin1(std::string_view text)
{
    return QString::fromLatin1(text.data(), qsizetype(text.size()));
}
} // namespace

class TestFieldLegend : public QObject
{
    Q_OBJECT

private slots:
    void everyFieldHasWords_data();
    void everyFieldHasWords();
    void rabbitWords_data();
    void rabbitWords();
    void sourceOfBrokerId_data();
    void sourceOfBrokerId();
    void docsCarryTheTable_data();
    void docsCarryTheTable();
    void boxAndHeaderSayTheUnit();
    void thresholdFieldsSayCaptionAndUnit();
};

void TestFieldLegend::everyFieldHasWords_data()
{
    QTest::addColumn<BrokerSource>("source");
    for (BrokerSource source : brokerSources)
        QTest::newRow(qPrintable(sourceName(source))) << source;
}

void TestFieldLegend::everyFieldHasWords()
{
    QFETCH(BrokerSource, source);
    TempWorkdir dir;
    FakeEntryPoint fake;
    FrmMain w(fake);
    int fields = 0;
    for (int tab = 0; tab < w.models().size(); ++tab) {
        const ObjectModel &model = *w.models()[tab];
        const std::string kind = model.kindName().toStdString();
        const QHash<QString, QLineEdit *> boxes = w.pages()[tab]->fieldBoxes();
        for (const FieldInfo &f : model.columns()) {
            const QString where = model.kindName() + u'.' + f.name;
            const FieldLegend legend = fieldLegend(kind, f.name, source);
            QVERIFY2(!legend.isNull(), qPrintable(where));
            QVERIFY2(!legend.caption.isEmpty() && !legend.meaning.isEmpty(), qPrintable(where));
            QVERIFY2(!legend.filled || !legend.unit.isEmpty(), qPrintable(where));
            // The caption is what the tab's box is called beside its label.
            if (QLineEdit *box = boxes.value(f.name))
                QCOMPARE(legend.caption, box->accessibleName());
            ++fields;
        }
    }
    // The services' extras have words too.
    for (const FieldInfo &f : serviceExtraFields())
        QVERIFY2(!fieldLegend("service", f.name, source).isNull(), qPrintable(f.name));
    // No row names a field the records (or the extras) do not have.
    QCOMPARE(qsizetype(fields) + serviceExtraFields().size(), qsizetype(legendRows().size()));
}

void TestFieldLegend::rabbitWords_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("meaning");
    QTest::addColumn<QString>("unit");
    // clang-format off
    QTest::newRow("messages in the queue") << "service" << "short_act"
        << "Short Buffers: Num active" << "messages in the queue" << "messages";
    QTest::newRow("queue memory") << "service" << "long_act"
        << "Long Buffers: Num active" << "memory the queue uses" << "KiB";
    QTest::newRow("0 means no TTL") << "service" << "conv_nonact"
        << "Conversations: Timeout" << "the queue's message TTL; 0: no TTL" << "seconds";
    QTest::newRow("left alone") << "broker" << "num_short"
        << "Short Buffers: Num defined" << "not filled by this broker (0)" << "";
    // clang-format on
}

void TestFieldLegend::rabbitWords()
{
    QFETCH(QString, kind);
    QFETCH(QString, field);
    QFETCH(QString, caption);
    QFETCH(QString, meaning);
    QFETCH(QString, unit);
    const FieldLegend legend = fieldLegend(kind.toStdString(), field, BrokerSource::RabbitMq);
    QCOMPARE(legend.caption, caption);
    QCOMPARE(legend.meaning, meaning);
    QCOMPARE(legend.unit, unit);
    QCOMPARE(legend.filled, !unit.isEmpty());
}

void TestFieldLegend::sourceOfBrokerId_data()
{
    QTest::addColumn<QString>("id");
    QTest::addColumn<QString>("namedType");
    QTest::addColumn<BrokerSource>("source");
    // clang-format off
    QTest::newRow("blank: demo")      << QString(32, ' ')            << "" << BrokerSource::Demo;
    QTest::newRow("a name: scenario") << "basic"                     << "" << BrokerSource::Scenario;
    QTest::newRow("https")            << "  HTTPS://127.0.0.1:15671" << "" << BrokerSource::RabbitMq;
    QTest::newRow("tls")              << "tls://127.0.0.1:4222"      << "" << BrokerSource::Nats;
    QTest::newRow("named NATS")       << "prod-01" << "nats"     << BrokerSource::Nats;
    QTest::newRow("named RabbitMQ")   << "prod-02" << "rabbitmq" << BrokerSource::RabbitMq;
    // clang-format on
}

void TestFieldLegend::sourceOfBrokerId()
{
    QFETCH(QString, id);
    QFETCH(QString, namedType);
    QFETCH(BrokerSource, source);
    QCOMPARE(sourceOf(id, namedType), source);
}

void TestFieldLegend::docsCarryTheTable_data()
{
    QTest::addColumn<QString>("doc");
    QTest::addColumn<BrokerSource>("source");
    QTest::newRow("rabbitmq.md") << "rabbitmq.md" << BrokerSource::RabbitMq;
    QTest::newRow("nats.md") << "nats.md" << BrokerSource::Nats;
    QTest::newRow("stand-in README") << "../ostrane/README.md" << BrokerSource::Demo;
}

// Each row of the table is a line of the doc's legend, so the two cannot drift apart.
void TestFieldLegend::docsCarryTheTable()
{
    QFETCH(QString, doc);
    QFETCH(BrokerSource, source);
    QFile file(QStringLiteral(MORVAIN_DOCS_DIR "/") + doc);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(file.readAll());
    QStringList missing;
    for (const LegendRow &row : legendRows()) {
        const FieldLegend legend = fieldLegend(row.kind, latin1(row.field), source);
        const QString line = QStringLiteral("| %1 | `%2` | %3 | %4 | %5 |")
                                 .arg(latin1(row.kind), legend.field, legend.caption,
                                      legend.meaning, legend.unit.isEmpty() ? "-" : legend.unit);
        if (!text.contains(line))
            missing << line;
    }
    for (const QString &line : std::as_const(missing))
        qInfo().noquote() << line; // the doc's lines to add, as they must read
    QVERIFY2(missing.isEmpty(), qPrintable(QString::number(missing.size()) + " rows missing"));
}

void TestFieldLegend::boxAndHeaderSayTheUnit()
{
    TempWorkdir dir;
    FakeEntryPoint fake;
    FrmMain w(fake);
    w.views().setSource(BrokerSource::RabbitMq);
    constexpr int serviceTab = 2;
    QLineEdit *box = w.pages()[serviceTab]->fieldBoxes().value("short_act");
    QVERIFY(box);
    const QString tip = FullTextToolTips::textAt(box, {4, 4});
    QVERIFY2(tip.contains("On RabbitMQ: messages in the queue") && tip.contains("Unit: messages"),
             qPrintable(tip));

    TableWindow *table = w.views().openTable(serviceTab);
    const QAbstractItemModel *rows = table->view()->model();
    QStringList tips;
    for (int c = 0; c < rows->columnCount(); ++c)
        if (rows->headerData(c, Qt::Horizontal, ObjectTableModel::FieldNameRole) == "long_act")
            tips << rows->headerData(c, Qt::Horizontal, Qt::ToolTipRole).toString();
    QCOMPARE(tips.size(), 1);
    QVERIFY2(tips[0].contains("Unit: KiB"), qPrintable(tips[0]));

    // A trend names the unit in its series and on its axes: one axis per unit.
    const QList<FieldInfo> fields = w.models()[serviceTab]->columns();
    const auto columnOf = [&fields](const char *name) {
        int c = 0;
        while (c < fields.size() && fields[c].name != QLatin1String(name))
            ++c;
        return c;
    };
    TrendWindow *trend = w.views().plotOverTime(serviceTab, "a", columnOf("short_act"));
    w.views().plotOverTime(serviceTab, "b", columnOf("short_act"));
    w.views().plotOverTime(serviceTab, "b", columnOf("long_act"));
    QVERIFY(trend->series()[0].name.endsWith("Short Buffers: Num active (messages)"));
    QStringList titles;
    for (const QAbstractAxis *axis : trend->chartView()->chart()->axes(Qt::Vertical))
        titles << axis->titleText();
    QCOMPARE(titles, QStringList({"messages", "KiB"}));

    // Save naming a NATS server: the boxes and the open table say its words.
    w.mnuConfigure_Click();
    w.configDialog()->findChild<QLineEdit *>("txtBroker_id")->setText("nats://127.0.0.1:4222");
    w.configDialog()->findChild<QPushButton *>("cmdSave")->click();
    QVERIFY(FullTextToolTips::textAt(box, {4, 4}).contains("not filled by this broker (0)"));
    for (int c = 0; c < rows->columnCount(); ++c)
        if (rows->headerData(c, Qt::Horizontal, ObjectTableModel::FieldNameRole) == "req_sum")
            QVERIFY(rows->headerData(c, Qt::Horizontal, Qt::ToolTipRole)
                        .toString()
                        .contains("Unit: requests"));
}

// The list says the words beside the name; the rule keeps the name.
void TestFieldLegend::thresholdFieldsSayCaptionAndUnit()
{
    TempWorkdir dir;
    FakeEntryPoint fake;
    FrmMain w(fake);
    w.views().setSource(BrokerSource::RabbitMq);
    ThresholdsDialog *dialog = w.thresholds().openDialog();
    thresholds::Rule rule;
    rule.kind = QStringLiteral("service");
    rule.field = QStringLiteral("long_act");
    dialog->addRule(rule);
    auto *table = dialog->findChild<QTableWidget *>();
    QVERIFY(table && table->rowCount() > 0);
    const int row = table->rowCount() - 1;
    QComboBox *field = nullptr;
    for (int c = 0; c < table->columnCount() && !field; ++c)
        if (auto *combo = qobject_cast<QComboBox *>(table->cellWidget(row, c));
            combo && combo->currentData().isValid())
            field = combo;
    QVERIFY(field);
    QCOMPARE(field->currentText(),
             QString::fromUtf8("long_act \u2014 Long Buffers: Num active (KiB)"));
    QCOMPARE(field->currentData().toString(), QStringLiteral("long_act"));
    // Another source: the same field stays picked, in that source's words.
    w.views().setSource(BrokerSource::Demo);
    dialog = w.thresholds().openDialog();
    QCOMPARE(field->currentText(),
             QString::fromUtf8("long_act \u2014 Long Buffers: Num active (buffers)"));
}

QTEST_MAIN(TestFieldLegend)
#include "tst_field_legend.moc"
