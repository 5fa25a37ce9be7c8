#include "table_window.h"

#include "dialogs.h"
#include "export_file.h"
#include "object_table_model.h"
#include "query_bar.h"
#include "trend_delegate.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QMap>
#include <QMenu>
#include <QPushButton>
#include <QShortcut>
#include <QTableView>
#include <QVBoxLayout>

namespace morvain
{

TableWindow::TableWindow(KindHistory &history, const QString &title, CsvWriter csv,
                         QHash<QString, QString> labels, QWidget *parent)
    : QWidget(parent, Qt::Window), m_history(history), m_title(title), m_csv(std::move(csv))
{
    setObjectName(QStringLiteral("tableWindow_") + history.model().kindName());
    m_model = new ObjectTableModel(history, std::move(labels), this);
    m_proxy = new ObjectTableProxy(*m_model, this);

    m_filter = new QLineEdit(this);
    m_filter->setObjectName(QStringLiteral("txtFilter"));
    m_filter->setPlaceholderText(tr("Filter all columns"));
    m_filter->setClearButtonEnabled(true);
    m_regex = new QCheckBox(tr("Regular expression"), this);
    m_regex->setObjectName(QStringLiteral("chkRegex"));
    m_export = new QPushButton(tr("Export CSV..."), this);
    m_export->setObjectName(QStringLiteral("cmdExport"));

    m_view = new QTableView(this);
    m_view->setObjectName(QStringLiteral("tblObjects"));
    m_view->setModel(m_proxy);
    // Unsorted at first: the rows in the order the broker sent them.
    m_view->horizontalHeader()->setSortIndicator(-1, Qt::AscendingOrder);
    m_view->setSortingEnabled(true);
    m_view->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    m_view->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_view->setWordWrap(false);
    m_view->setItemDelegate(new TrendDelegate(m_view));
    m_view->horizontalHeader()->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(m_view->horizontalHeader(), &QHeaderView::customContextMenuRequested, this,
            &TableWindow::headerMenu);
    m_view->resizeColumnsToContents();

    m_bar = new QueryBar(this);
    m_changes = new QLabel(this);
    m_changes->setObjectName(QStringLiteral("lblChanges"));

    auto *top = new QHBoxLayout;
    top->addWidget(m_filter, 1);
    top->addWidget(m_regex);
    top->addWidget(m_export);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(m_bar);
    layout->addWidget(m_view, 1);
    layout->addWidget(m_changes);

    auto *copy = new QShortcut(QKeySequence::Copy, m_view);
    copy->setContext(Qt::WidgetWithChildrenShortcut);
    connect(copy, &QShortcut::activated, this, &TableWindow::copySelection);
    connect(m_filter, &QLineEdit::textChanged, this, &TableWindow::applyFilter);
    connect(m_regex, &QCheckBox::toggled, this, &TableWindow::applyFilter);
    connect(m_export, &QPushButton::clicked, this, &TableWindow::exportCsv);
    connect(&history, &KindHistory::updated, this, &TableWindow::followQuery);
    m_view->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(m_view, &QWidget::customContextMenuRequested, this, [this](const QPoint &at) {
        QMenu *menu = cellMenu(m_view->indexAt(at));
        menu->setAttribute(Qt::WA_DeleteOnClose);
        menu->popup(m_view->viewport()->mapToGlobal(at));
    });

    followQuery();
    resize(760, 420);
}

TableWindow::~TableWindow() = default;

void TableWindow::setHighlight(bool on)
{
    m_model->setHighlight(on);
}

void TableWindow::followQuery()
{
    setWindowTitle(QStringLiteral("%1 - %2").arg(m_title, m_history.summary()));
    m_bar->follow(m_history);
    QStringList parts;
    if (m_history.changes().hasBaseline()) {
        parts << tr("%1 new").arg(m_model->newCount())
              << tr("%1 changed").arg(m_model->changedCount())
              << tr("%1 gone").arg(m_history.changes().gone().size());
        m_changes->setText(tr("Since the query before: %1").arg(parts.join(QStringLiteral(", "))));
    } else {
        m_changes->setText(tr("Changes show from the next query on"));
    }
}

void TableWindow::headerMenu(const QPoint &at)
{
    const int column = m_view->horizontalHeader()->logicalIndexAt(at);
    const int field = m_model->fieldOf(column);
    if (column < 0 || !m_model->trendable(field))
        return;
    QMenu menu(this);
    QAction *trend = menu.addAction(tr("Trend line"));
    trend->setObjectName(QStringLiteral("mnuTrendLine"));
    trend->setCheckable(true);
    trend->setChecked(m_model->trend(field));
    if (menu.exec(m_view->horizontalHeader()->mapToGlobal(at)) == trend)
        showTrend(field, trend->isChecked());
}

void TableWindow::showTrend(int field, bool on)
{
    m_model->setTrend(field, on);
    m_view->resizeColumnsToContents();
}

void TableWindow::applyFilter()
{
    const bool valid = m_proxy->setFilter(m_filter->text(), m_regex->isChecked());
    // An expression still being typed is often invalid: keep the last good filter and say so.
    m_filter->setStyleSheet(valid ? QString() : QStringLiteral("QLineEdit { color: #b00000; }"));
    m_filter->setToolTip(valid ? QString() : tr("Not a valid regular expression"));
}

QString TableWindow::selectionText() const
{
    QMap<int, QMap<int, QString>> cells; // view row -> view column -> text
    for (const QModelIndex &index : m_view->selectionModel()->selectedIndexes())
        cells[index.row()][index.column()] = index.data(Qt::DisplayRole).toString();
    QStringList lines;
    for (const auto &row : std::as_const(cells))
        lines << QStringList(row.values()).join(u'\t');
    return lines.join(u'\n');
}

void TableWindow::copySelection() const
{
    const QString text = selectionText();
    if (!text.isEmpty())
        QApplication::clipboard()->setText(text);
}

void TableWindow::exportCsv()
{
    const QString path = QFileDialog::getSaveFileName(
        this, tr("Export CSV"), m_history.model().kindName() + QStringLiteral(".csv"),
        tr("CSV files (*.csv)"));
    if (!path.isEmpty())
        writeCsv(path);
}

QMenu *TableWindow::cellMenu(const QModelIndex &index)
{
    auto *menu = new QMenu(this);
    QAction *plot = menu->addAction(tr("Plot over time"));
    plot->setObjectName(QStringLiteral("actPlotOverTime"));
    const QModelIndex cell = m_proxy->mapToSource(index);
    const int field = cell.isValid() ? m_model->fieldOf(cell.column()) : -1;
    plot->setEnabled(field >= 0 && m_history.course().kept(field));
    if (plot->isEnabled())
        connect(plot, &QAction::triggered, this,
                [this, key = m_model->key(cell.row()), field] { emit plotRequested(key, field); });
    return menu;
}

bool TableWindow::writeCsv(const QString &path)
{
    // The rows shown are the last good query's; the kind's store holds the failed one's,
    // and a file of those would pass for an empty broker.
    if (m_history.failed()) {
        dialogs::message(tr("Export CSV"),
                         tr("The latest query of %1 failed: there is nothing current to "
                            "export. Refresh once it answers again.")
                             .arg(m_title.toLower()));
        return false;
    }
    return exportFile(tr("Export CSV"), path, m_csv(m_history.model()));
}

} // namespace morvain
