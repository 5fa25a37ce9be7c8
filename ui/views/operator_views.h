#pragma once
// What the main window adds for watching a broker: the "&View" menu (table windows,
// auto refresh, highlighting of changes), F5 for the front tab's query, Ctrl+1 to Ctrl+5
// for the tabs, Enter on a tab's buttons, the tabs' "last queried" tooltips, and "Plot
// over time" on the tabs' number boxes and the table windows' cells.
// The window hands in its tabs, its query handlers and its models; nothing here calls the
// broker but through those handlers.

#include "auto_refresh.h"
#include "field_legend.h"
#include "kind_history.h"
#include "object_table_model.h"
#include "tab_tints.h"
#include "table_window.h"

#include <QHash>
#include <QIcon>
#include <QList>
#include <QObject>
#include <QPointer>

#include <functional>
#include <memory>
#include <optional>

class QAction;
class QLineEdit;
class QMainWindow;
class QMenu;
class QTabWidget;

namespace morvain
{

class QueryBar;
class TrendWindow;

class OperatorViews : public QObject
{
    Q_OBJECT
public:
    struct Setup {
        QMainWindow *window = nullptr;
        QTabWidget *tabs = nullptr;
        QAction *menuBefore = nullptr;        // the bar item "&View" goes before
        QList<std::function<void()>> queries; // the tabs' query handlers, tab order
        // The queries of an auto-refresh round, tab order; none: those above. A round
        // keeps each tab's object where a query by hand selects the first.
        QList<std::function<void()>> roundQueries;
        QList<ObjectModel *> models;              // the tabs' kinds, tab order
        QList<QHash<QString, QLineEdit *>> boxes; // per tab: its box for each field
        QList<QueryBar *> bars;                   // per tab: the bar across its top
        TableWindow::CsvWriter csv;
        QList<const ObjectExtras *> extras; // per tab: fields beside the records, or nullptr
        Clock clock = systemClock();
        Ticker *ticker = nullptr; // nullptr: the event loop's timer
    };

    explicit OperatorViews(Setup setup);
    ~OperatorViews() override;

    AutoRefresh &autoRefresh() { return *m_auto; }
    // The history of tab `tab`'s kind; nullptr without models.
    KindHistory *history(int tab) const;
    // The change tints of tab `tab`'s boxes; nullptr without models. The tab tells it
    // which object it shows.
    TabTints *tints(int tab) const;
    // Opens, or raises, the table window of tab `tab` (1 to 4: the list kinds).
    TableWindow *openTable(int tab);
    TableWindow *tableWindow(int tab) const;
    // Opens, or raises, the "Queues" window: RabbitMQ's services one row per queue.
    TableWindow *openQueueTable();
    bool highlight() const { return m_highlight; }
    void setHighlight(bool on);
    void runFrontQuery();
    // The broker ID changed from `from` to `to` (as a person reads them): every kind's
    // history, tints and trends start afresh, and each tab says until its next query that
    // its values are the old broker's.
    void brokerSwitched(const QString &from, const QString &to);
    // The broker the window watches takes its values from `source`: every box's tooltip,
    // the tables' header tooltips and new trends say what each field is there.
    void setSource(BrokerSource source);
    std::optional<BrokerSource> source() const { return m_source; }
    // Tab `tab`'s fields beside the records, or nullptr.
    const ObjectExtras *extras(int tab) const { return m_setup.extras.value(tab); }
    // The "&View" menu, for items that other parts of the window add at its end.
    QMenu *viewMenu() const { return m_viewMenu; }

    // Marks other views lay over the tabs and tables (breached thresholds), per tab. The
    // tab icon shows when its latest query did not fail (a failure's icon wins).
    struct Marks {
        std::function<QIcon(int tab)> tabIcon;
        std::function<ObjectTableModel::RowMarker(int tab)> rows;
        std::function<TabTints::BoxMarker(int tab)> boxes;
    };
    void setMarks(Marks marks);
    // The marks changed: tabs, boxes and open tables show them again.
    void marksChanged();

    // Adds field `column` (its position in the kind's columns()) of tab `tab`'s object `key`
    // to the trend window, made at the first request, and brings the window up.
    TrendWindow *plotOverTime(int tab, const QString &key, int column);
    TrendWindow *trendWindow() const;
    // Tab `tab`'s menu for one of its boxes: the box's own items, then "Plot over time" for
    // the object the tab shows. The caller owns it.
    QMenu *boxMenu(int tab, QLineEdit *box);

signals:
    void highlightChanged(bool on);

private:
    void buildMenu(QAction *before);
    void buildShortcuts();
    void showRefreshState();
    void showReading(int tab);
    void buildBoxMenus();
    // A table window of `kind`, made now, with tab `tab`'s words, marks and trends.
    TableWindow *makeTable(KindHistory &kind, const QString &title, int tab);
    // Field `column` of `kind`'s object `key` in the trend window, named as tab `tab`'s box
    // (what a screen reader says) or the table's header names it where no legend says more.
    TrendWindow *plotIn(KindHistory &kind, int tab, const QString &key, int column);
    // The open table windows, the queues' included.
    QList<TableWindow *> openTables() const;

    Setup m_setup;
    std::unique_ptr<Ticker> m_ownTicker;
    std::unique_ptr<AutoRefresh> m_auto;
    QList<KindHistory *> m_histories;
    QList<TabTints *> m_tints;
    QList<QPointer<TableWindow>> m_tables;
    class QueueTable *m_queues = nullptr; // with a service model
    QAction *m_queueItem = nullptr;
    QPointer<TrendWindow> m_trend;
    QIcon m_warningIcon; // a failed query's tab icon, made once
    QList<QAction *> m_intervalActions;
    QAction *m_highlightAction = nullptr;
    QMenu *m_viewMenu = nullptr;
    Marks m_marks;
    bool m_highlight = true;
    std::optional<BrokerSource> m_source;
};

} // namespace morvain
