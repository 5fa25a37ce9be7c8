#pragma once
// A table whose first columns stay in view while the others scroll sideways: a second,
// bare view over the same model and selection shows those columns on top of the table's
// own, which scroll on underneath. Sorting, widths, rows and the vertical scroll position
// are kept the same in both; keys and the mouse reach the cells either way.

#include <QTableView>

namespace morvain
{

class FrozenColumnsView : public QTableView
{
    Q_OBJECT
public:
    explicit FrozenColumnsView(QWidget *parent = nullptr);

    void setModel(QAbstractItemModel *model) override;
    // The first `count` columns stay in view; 0 scrolls every column.
    void setFrozenCount(int count);
    int frozenCount() const { return m_count; }
    // The view that shows the frozen columns (for its menus and delegate).
    QTableView *frozenPart() const { return m_frozen; }
    // The width the frozen columns cover.
    int frozenWidth() const;

    void scrollTo(const QModelIndex &index, ScrollHint hint = EnsureVisible) override;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void updateGeometries() override;
    QModelIndex moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers) override;

private:
    void syncColumns();
    void placeFrozen();
    // Scrolls so that `index` is not hidden under the frozen columns.
    void uncover(const QModelIndex &index);

    QTableView *m_frozen = nullptr;
    int m_count = 0;
    bool m_pickingRows = false; // a mouse button is down on the row headers
};

} // namespace morvain
