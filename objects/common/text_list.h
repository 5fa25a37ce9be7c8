#pragma once
// A single-selection list box of plain text entries, in the order given. It holds its
// entries as one list of strings, so filling it with a thousand entries, or emptying it,
// is one step, not an item object per entry, and it lays out only the rows it shows.

#include <QListView>
#include <QStringList>

class QStringListModel;

namespace morvain
{

class TextList : public QListView
{
    Q_OBJECT
public:
    explicit TextList(QWidget *parent = nullptr);

    int count() const;
    // Never: entries stay in the order they were given.
    bool isSortingEnabled() const { return false; }
    QStringList entries() const;
    QString text(int row) const;
    // -1 when no row is current.
    int currentRow() const;
    // Makes `row` current and selected (-1: none); a change of row is reported.
    void setCurrentRow(int row);

    // Replaces every entry; no row is current afterwards and no change of row is reported.
    void setEntries(const QStringList &entries);
    void clear() { setEntries({}); }
    void addItem(const QString &text);

    QRect rowRect(int row) const;

signals:
    // The current row changed, by the user or the program; -1 when none is current.
    void currentRowChanged(int row);

private:
    QStringListModel *m_entries;
};

} // namespace morvain
