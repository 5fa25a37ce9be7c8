#include "table_window.h"

#include "dialogs.h"
#include "export_file.h"
#include "frozen_columns_view.h"
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
#include <QScrollBar>
#include <QShortcut>
#include <QTableView>
#include <QVBoxLayout>

#include <algorithm>

namespace morvain
{

namespace
{
const QKeySequence copyWithoutTitlesKey(Qt::CTRL | Qt::SHIFT | Qt::Key_C);

// The leading columns that show the kind's key fields: they name a row's object.
int keyColumns(const ObjectModel &kind, const ObjectTableModel &table)
{
    const QList<FieldInfo> fields = kind.columns();
    const auto isKey = [&](int column) {
        const int field = table.fieldOf(column);
        if (field < 0 || field >= fields.size() || !table.sent(column))
            return false;
        const QByteArray name = fields[field].name.toLatin1();
        for (std::string_view key : kind.kind().keyFields)
            if (!key.empty() && key == std::string_view(name.constData(), size_t(name.size())))
                return true;
        return false;
    };
    int count = 0;
    while (count < table.columnCount() && isKey(count))
        ++count;
    return count;
}
} // namespace

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

    m_view = new FrozenColumnsView(this);
    m_view->setObjectName(QStringLiteral("tblObjects"));
    m_view->setModel(m_proxy);
    // Unsorted at first: the rows in the order the broker sent them.
    m_view->horizontalHeader()->setSortIndicator(-1, Qt::AscendingOrder);
    m_view->setSortingEnabled(true);
    m_view->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    m_view->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_view->setWordWrap(false);
    m_view->setItemDelegate(new TrendDelegate(m_view));
    m_view->frozenPart()->setItemDelegate(new TrendDelegate(m_view->frozenPart()));
    m_view->setFrozenCount(keyColumns(history.model(), *m_model));
    // The frozen columns' header lies over the table's own: both offer the menu.
    for (QHeaderView *header :
         {m_view->horizontalHeader(), m_view->frozenPart()->horizontalHeader()}) {
        header->setContextMenuPolicy(Qt::CustomContextMenu);
        connect(header, &QHeaderView::customContextMenuRequested, this,
                [this, header](const QPoint &at) { headerMenu(header, at); });
    }
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
    connect(copy, &QShortcut::activated, this, &TableWindow::copyWithTitles);
    auto *copyBare = new QShortcut(copyWithoutTitlesKey, m_view);
    copyBare->setContext(Qt::WidgetWithChildrenShortcut);
    connect(copyBare, &QShortcut::activated, this, &TableWindow::copySelection);
    connect(m_view->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &TableWindow::noteSelection);
    connect(m_view->selectionModel(), &QItemSelectionModel::currentChanged, this,
            &TableWindow::noteSelection);
    connect(m_proxy, &QAbstractItemModel::modelAboutToBeReset, this, &TableWindow::keepBearings);
    connect(m_proxy, &QAbstractItemModel::modelReset, this, &TableWindow::takeBearings);
    connect(m_filter, &QLineEdit::textChanged, this, &TableWindow::applyFilter);
    connect(m_regex, &QCheckBox::toggled, this, &TableWindow::applyFilter);
    connect(m_export, &QPushButton::clicked, this, &TableWindow::exportCsv);
    connect(&history, &KindHistory::updated, this, &TableWindow::followQuery);
    for (QTableView *part : {static_cast<QTableView *>(m_view), m_view->frozenPart()}) {
        part->setContextMenuPolicy(Qt::CustomContextMenu);
        connect(part, &QWidget::customContextMenuRequested, this, [this, part](const QPoint &at) {
            QMenu *menu = cellMenu(part->indexAt(at));
            menu->setAttribute(Qt::WA_DeleteOnClose);
            menu->popup(part->viewport()->mapToGlobal(at));
        });
    }

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

void TableWindow::headerMenu(QHeaderView *header, const QPoint &at)
{
    const int column = header->logicalIndexAt(at);
    const int field = m_model->fieldOf(column);
    if (column < 0 || !m_model->trendable(field))
        return;
    QMenu menu(this);
    QAction *trend = menu.addAction(tr("Trend line"));
    trend->setObjectName(QStringLiteral("mnuTrendLine"));
    trend->setCheckable(true);
    trend->setChecked(m_model->trend(field));
    if (menu.exec(header->mapToGlobal(at)) == trend)
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

QString TableWindow::selectionText(Titles titles) const
{
    // By the columns' places on the screen, which the user may have moved.
    const QHeaderView *header = m_view->horizontalHeader();
    QMap<int, QMap<int, QString>> cells; // view row -> visual column -> text
    QMap<int, QString> titled;           // visual column -> title
    for (const QModelIndex &index : m_view->selectionModel()->selectedIndexes()) {
        const int at = header->visualIndex(index.column());
        cells[index.row()][at] = index.data(Qt::DisplayRole).toString();
        titled[at] = m_proxy->headerData(index.column(), Qt::Horizontal).toString();
    }
    QStringList lines;
    if (titles == Titles::With && !cells.isEmpty())
        lines << QStringList(titled.values()).join(u'\t');
    for (const auto &row : std::as_const(cells)) {
        // Every line has a cell for every titled column, so the columns stay under their
        // titles when the selection is ragged.
        QStringList texts;
        for (auto it = titled.cbegin(); it != titled.cend(); ++it)
            texts << row.value(it.key());
        lines << (titles == Titles::With ? texts : QStringList(row.values())).join(u'\t');
    }
    return lines.join(u'\n');
}

void TableWindow::copySelection() const
{
    const QString text = selectionText();
    if (!text.isEmpty())
        QApplication::clipboard()->setText(text);
}

void TableWindow::copyWithTitles() const
{
    const QString text = selectionText(Titles::With);
    if (!text.isEmpty())
        QApplication::clipboard()->setText(text);
}

// Read when the selection changes, not when the rows are about to go: by then the kind's
// history already holds the new query, and a row's key would be the new object's.
void TableWindow::noteSelection()
{
    m_bearings.selected.clear();
    for (const QModelIndex &index : m_view->selectionModel()->selectedIndexes())
        m_bearings.selected.append(
            {m_model->key(m_proxy->mapToSource(index).row()), index.column()});
    const QModelIndex current = m_view->currentIndex();
    m_bearings.hasCurrent = current.isValid();
    if (current.isValid())
        m_bearings.current = {m_model->key(m_proxy->mapToSource(current).row()), current.column()};
}

void TableWindow::keepBearings()
{
    m_bearings.across = m_view->horizontalScrollBar()->value();
    m_bearings.down = m_view->verticalScrollBar()->value();
}

void TableWindow::takeBearings()
{
    // A copy: selecting notes the selection anew.
    const Bearings kept = m_bearings;
    QHash<QString, int> rowOf; // source row by key
    for (int row = m_model->rowCount() - 1; row >= 0; --row)
        rowOf.insert(m_model->key(row), row);
    const auto indexOf = [&](const Cell &cell) {
        const auto row = rowOf.constFind(cell.key);
        return row == rowOf.cend()
                   ? QModelIndex()
                   : m_proxy->mapFromSource(m_model->index(*row, 0)).siblingAtColumn(cell.column);
    };
    // One range per run of cells side by side: a selected row is one range, not thirty.
    QMap<int, QList<int>> columnsOf; // view row -> its selected columns
    for (const Cell &cell : std::as_const(kept.selected))
        if (const QModelIndex index = indexOf(cell); index.isValid())
            columnsOf[index.row()] << index.column();
    QItemSelection selection;
    for (auto it = columnsOf.begin(); it != columnsOf.end(); ++it) {
        QList<int> &columns = it.value();
        std::sort(columns.begin(), columns.end());
        for (qsizetype from = 0, to = 0; from < columns.size(); from = to) {
            while (++to < columns.size() && columns[to] == columns[to - 1] + 1) {
            }
            selection.select(m_proxy->index(it.key(), columns[from]),
                             m_proxy->index(it.key(), columns[to - 1]));
        }
    }
    QItemSelectionModel *selected = m_view->selectionModel();
    selected->select(selection, QItemSelectionModel::ClearAndSelect);
    if (kept.hasCurrent)
        if (const QModelIndex index = indexOf(kept.current); index.isValid())
            selected->setCurrentIndex(index, QItemSelectionModel::NoUpdate);
    // The rows laid out now, so the scroll bars take the old positions within their ranges.
    m_view->doItemsLayout();
    m_view->horizontalScrollBar()->setValue(kept.across);
    m_view->verticalScrollBar()->setValue(kept.down);
    noteSelection();
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
    menu->addSeparator();
    const bool selected = m_view->selectionModel()->hasSelection();
    // The keys are said after a tab, not set: the window's shortcuts already take them.
    const auto keyText = [](const QKeySequence &key) {
        return u'\t' + key.toString(QKeySequence::NativeText);
    };
    QAction *copy =
        menu->addAction(tr("&Copy with column titles") + keyText(QKeySequence(QKeySequence::Copy)));
    copy->setObjectName(QStringLiteral("actCopyWithTitles"));
    copy->setEnabled(selected);
    connect(copy, &QAction::triggered, this, &TableWindow::copyWithTitles);
    QAction *bare =
        menu->addAction(tr("Copy &without column titles") + keyText(copyWithoutTitlesKey));
    bare->setObjectName(QStringLiteral("actCopyWithoutTitles"));
    bare->setEnabled(selected);
    connect(bare, &QAction::triggered, this, &TableWindow::copySelection);
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
