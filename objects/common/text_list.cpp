#include "text_list.h"

#include "text_list_delegate.h"

#include <QItemSelectionModel>
#include <QStringListModel>

namespace morvain
{

TextList::TextList(QWidget *parent) : QListView(parent), m_entries(new QStringListModel(this))
{
    setModel(m_entries);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setUniformItemSizes(true); // every entry is one line of plain text
    setItemDelegate(new TextListDelegate(this));
    connect(selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex &current) { emit currentRowChanged(current.row()); });
}

int TextList::count() const
{
    return m_entries->rowCount();
}

QStringList TextList::entries() const
{
    return m_entries->stringList();
}

QString TextList::text(int row) const
{
    return m_entries->index(row).data().toString();
}

int TextList::currentRow() const
{
    return currentIndex().row();
}

void TextList::setCurrentRow(int row)
{
    selectionModel()->setCurrentIndex(m_entries->index(row), QItemSelectionModel::ClearAndSelect);
}

void TextList::setEntries(const QStringList &entries)
{
    m_entries->setStringList(entries);
}

void TextList::addItem(const QString &text)
{
    const int row = count();
    m_entries->insertRows(row, 1);
    m_entries->setData(m_entries->index(row), text);
}

QRect TextList::rowRect(int row) const
{
    return visualRect(m_entries->index(row));
}

} // namespace morvain
