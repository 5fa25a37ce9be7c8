#include "frozen_columns_view.h"

#include <QEvent>
#include <QHeaderView>
#include <QScrollBar>
#include <QSignalBlocker>

namespace morvain
{

FrozenColumnsView::FrozenColumnsView(QWidget *parent) : QTableView(parent)
{
    m_frozen = new QTableView(this);
    m_frozen->setObjectName(QStringLiteral("frozenColumns"));
    m_frozen->setFocusPolicy(Qt::NoFocus);
    m_frozen->verticalHeader()->hide();
    m_frozen->setFrameStyle(QFrame::NoFrame);
    m_frozen->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_frozen->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_frozen->setWordWrap(false);
    m_frozen->horizontalHeader()->setSectionsClickable(true);
    m_frozen->horizontalHeader()->setSortIndicatorShown(true);
    m_frozen->hide();
    // Per pixel: a column half under the frozen ones shows its visible part.
    setHorizontalScrollMode(ScrollPerPixel);
    setVerticalScrollMode(ScrollPerPixel);
    m_frozen->setVerticalScrollMode(ScrollPerPixel);
    viewport()->stackUnder(m_frozen);
    verticalHeader()->viewport()->installEventFilter(this);

    connect(verticalScrollBar(), &QAbstractSlider::valueChanged, m_frozen->verticalScrollBar(),
            &QAbstractSlider::setValue);
    connect(m_frozen->verticalScrollBar(), &QAbstractSlider::valueChanged, verticalScrollBar(),
            &QAbstractSlider::setValue);
    connect(horizontalHeader(), &QHeaderView::sectionResized, this,
            [this](int section, int, int size) {
                if (section < m_count) {
                    m_frozen->setColumnWidth(section, size);
                    placeFrozen();
                }
            });
    // The frozen header lies over this one: resizing and sorting there act here.
    connect(m_frozen->horizontalHeader(), &QHeaderView::sectionResized, this,
            [this](int section, int, int size) {
                if (section < m_count && columnWidth(section) != size)
                    setColumnWidth(section, size);
            });
    connect(m_frozen->horizontalHeader(), &QHeaderView::sortIndicatorChanged, this,
            [this](int section, Qt::SortOrder order) {
                if (isSortingEnabled())
                    horizontalHeader()->setSortIndicator(section, order);
            });
    connect(horizontalHeader(), &QHeaderView::sortIndicatorChanged, this,
            [this](int section, Qt::SortOrder order) {
                const QSignalBlocker quiet(m_frozen->horizontalHeader());
                m_frozen->horizontalHeader()->setSortIndicator(section, order);
                m_frozen->horizontalHeader()->viewport()->update();
            });
    connect(verticalHeader(), &QHeaderView::sectionResized, this,
            [this](int row, int, int size) { m_frozen->setRowHeight(row, size); });
}

bool FrozenColumnsView::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == verticalHeader()->viewport()) {
        if (event->type() == QEvent::MouseButtonPress ||
            event->type() == QEvent::MouseButtonDblClick)
            m_pickingRows = true;
        else if (event->type() == QEvent::MouseButtonRelease)
            m_pickingRows = false;
    }
    return QTableView::eventFilter(watched, event);
}

void FrozenColumnsView::setModel(QAbstractItemModel *model)
{
    QTableView::setModel(model);
    m_frozen->setModel(model);
    m_frozen->setSelectionModel(selectionModel());
    if (model) {
        // A reset or new columns show every column of the frozen part again.
        connect(model, &QAbstractItemModel::modelReset, this, &FrozenColumnsView::syncColumns);
        connect(model, &QAbstractItemModel::columnsInserted, this, &FrozenColumnsView::syncColumns);
        connect(model, &QAbstractItemModel::columnsRemoved, this, &FrozenColumnsView::syncColumns);
    }
    syncColumns();
}

void FrozenColumnsView::setFrozenCount(int count)
{
    m_count = qMax(0, count);
    syncColumns();
}

int FrozenColumnsView::frozenWidth() const
{
    int width = 0;
    for (int c = 0; c < m_count; ++c)
        width += columnWidth(c);
    return width;
}

void FrozenColumnsView::syncColumns()
{
    const int columns = model() ? model()->columnCount() : 0;
    const int count = qMin(m_count, columns);
    for (int c = 0; c < columns; ++c) {
        m_frozen->setColumnHidden(c, c >= count);
        if (c < count)
            m_frozen->setColumnWidth(c, columnWidth(c));
    }
    m_frozen->verticalHeader()->setDefaultSectionSize(verticalHeader()->defaultSectionSize());
    m_frozen->setSelectionBehavior(selectionBehavior());
    m_frozen->setSelectionMode(selectionMode());
    m_frozen->setVisible(count > 0);
    placeFrozen();
}

void FrozenColumnsView::placeFrozen()
{
    if (!m_frozen->isVisibleTo(this))
        return;
    m_frozen->horizontalHeader()->setFixedHeight(horizontalHeader()->height());
    m_frozen->setGeometry(verticalHeader()->width() + frameWidth(), frameWidth(),
                          qMin(frozenWidth(), viewport()->width()),
                          viewport()->height() + horizontalHeader()->height());
    m_frozen->verticalScrollBar()->setValue(verticalScrollBar()->value());
}

void FrozenColumnsView::resizeEvent(QResizeEvent *event)
{
    QTableView::resizeEvent(event);
    placeFrozen();
}

void FrozenColumnsView::updateGeometries()
{
    QTableView::updateGeometries();
    placeFrozen();
}

void FrozenColumnsView::uncover(const QModelIndex &index)
{
    if (!index.isValid() || index.column() < m_count)
        return;
    const int left = visualRect(index).left();
    const int covered = frozenWidth();
    if (left < covered)
        horizontalScrollBar()->setValue(horizontalScrollBar()->value() + left - covered);
}

QModelIndex FrozenColumnsView::moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers)
{
    const QModelIndex next = QTableView::moveCursor(action, modifiers);
    if (action == MoveLeft || action == MoveHome)
        uncover(next);
    return next;
}

void FrozenColumnsView::scrollTo(const QModelIndex &index, ScrollHint hint)
{
    // A frozen cell is always in view sideways: only its row may need scrolling to. A row
    // picked by its header makes the column at the table's left edge current, which lies
    // under the frozen ones: that pick must not scroll sideways either.
    if (index.isValid() && (index.column() < m_count || m_pickingRows)) {
        const int sideways = horizontalScrollBar()->value();
        QTableView::scrollTo(index, hint);
        horizontalScrollBar()->setValue(sideways);
        return;
    }
    QTableView::scrollTo(index, hint);
    uncover(index);
}

} // namespace morvain
