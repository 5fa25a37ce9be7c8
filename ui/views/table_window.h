#pragma once
// A window with one object kind's stored table: sortable by any column, filtered over all
// columns, copied as tab-separated text, exported as CSV. It shows the stored objects
// (opening it never calls the broker) and follows every query of its kind, keeping its
// sort, filter, scroll position and selected rows (found again by their objects' keys).
// The kind's key columns stay in view while the others scroll sideways.

#include "frozen_columns_view.h"
#include "kind_history.h"

#include <QHash>
#include <QWidget>

#include <functional>

class QCheckBox;
class QHeaderView;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;

namespace morvain
{

class QueryBar;

class ObjectTableModel;
class ObjectTableProxy;

class TableWindow : public QWidget
{
    Q_OBJECT
public:
    // Writes the kind's objects as CSV.
    using CsvWriter = std::function<QByteArray(const ObjectModel &)>;

    // `title` names the kind for a person ("Workers"); `labels` the fields, by field name,
    // in the words of the kind's tab.
    TableWindow(KindHistory &history, const QString &title, CsvWriter csv,
                QHash<QString, QString> labels = {}, QWidget *parent = nullptr);
    ~TableWindow() override;

    void setHighlight(bool on);
    // A trend line beside field `field` (its position in the kind's columns), or none.
    void showTrend(int field, bool on);
    // The selected cells as rows of tab-separated texts, in the order shown; with
    // `titles`, the columns' titles first.
    enum class Titles { Without, With };
    QString selectionText(Titles titles = Titles::Without) const;
    // Ctrl+C: with the column titles; Ctrl+Shift+C and the menu's choice: without.
    void copyWithTitles() const;
    void copySelection() const;
    // Asks for a file, then writes it.
    void exportCsv();
    // Writes the CSV to `path`; a failure is shown in a box and reported as false.
    bool writeCsv(const QString &path);

    FrozenColumnsView *view() const { return m_view; }
    ObjectTableProxy &proxy() const { return *m_proxy; }
    // The rows as stored, where marks are set.
    ObjectTableModel &tableModel() const { return *m_model; }

    // What the window says above its rows of a failed query or a cut list.
    const QueryBar &bar() const { return *m_bar; }

    // The menu of the cell at `index` of view(): "Plot over time" for its object's field.
    // The caller owns it.
    QMenu *cellMenu(const QModelIndex &index);

signals:
    // Field `column` (its position in the kind's columns()) of object `key`, over time.
    void plotRequested(const QString &key, int column);

private:
    void applyFilter();
    // The header's menu: a trend line beside a number column, or none.
    void headerMenu(QHeaderView *header, const QPoint &at);
    void followQuery();
    // The selection and the scroll position over a query that resets the rows.
    void noteSelection();
    void keepBearings();
    void takeBearings();
    struct Cell {
        QString key;
        int column = 0;
    };
    struct Bearings {
        QList<Cell> selected;
        Cell current;
        bool hasCurrent = false;
        int across = 0, down = 0;
    };
    Bearings m_bearings;

    KindHistory &m_history;
    QString m_title;
    CsvWriter m_csv;
    ObjectTableModel *m_model = nullptr;
    ObjectTableProxy *m_proxy = nullptr;
    QLineEdit *m_filter = nullptr;
    QCheckBox *m_regex = nullptr;
    QPushButton *m_export = nullptr;
    FrozenColumnsView *m_view = nullptr;
    QLabel *m_changes = nullptr;
    QueryBar *m_bar = nullptr;
};

} // namespace morvain
