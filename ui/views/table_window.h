#pragma once
// A window with one object kind's stored table: sortable by any column, filtered over all
// columns, copied as tab-separated text, exported as CSV. It shows the stored objects
// (opening it never calls the broker) and follows every query of its kind.

#include "kind_history.h"

#include <QWidget>

#include <functional>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableView;

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

    // `title` names the kind for a person ("Workers").
    TableWindow(KindHistory &history, const QString &title, CsvWriter csv,
                QWidget *parent = nullptr);
    ~TableWindow() override;

    void setHighlight(bool on);
    // The selected cells as rows of tab-separated texts, in the order shown.
    QString selectionText() const;
    void copySelection() const;
    // Asks for a file, then writes it.
    void exportCsv();
    // Writes the CSV to `path`; a failure is shown in a box and reported as false.
    bool writeCsv(const QString &path);

    QTableView *view() const { return m_view; }
    ObjectTableProxy &proxy() const { return *m_proxy; }
    // The rows as stored, where marks are set.
    ObjectTableModel &tableModel() const { return *m_model; }

    // What the window says above its rows of a failed query or a cut list.
    const QueryBar &bar() const { return *m_bar; }

private:
    void applyFilter();
    void followQuery();

    KindHistory &m_history;
    QString m_title;
    CsvWriter m_csv;
    ObjectTableModel *m_model = nullptr;
    ObjectTableProxy *m_proxy = nullptr;
    QLineEdit *m_filter = nullptr;
    QCheckBox *m_regex = nullptr;
    QPushButton *m_export = nullptr;
    QTableView *m_view = nullptr;
    QLabel *m_changes = nullptr;
    QueryBar *m_bar = nullptr;
};

} // namespace morvain
