#include "operator_views.h"

#include "dialogs.h"
#include "enter_presses_buttons.h"
#include "full_text_tooltips.h"
#include "kind_registry.h"
#include "object_table_model.h"
#include "query_bar.h"
#include "queue_table.h"
#include "service/service_model.h"
#include "trend/trend_window.h"

#include <QActionGroup>
#include <QApplication>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QStyle>
#include <QTabWidget>

namespace morvain
{

namespace
{
constexpr int tabCount = KindCount;

QString latin1(std::string_view text)
{
    return QString::fromLatin1(text.data(), qsizetype(text.size()));
}

// What the tab's label says of each field it shows: its boxes' names.
QHash<QString, QString> fieldLabels(const QHash<QString, QLineEdit *> &boxes)
{
    QHash<QString, QString> labels;
    for (auto it = boxes.cbegin(); it != boxes.cend(); ++it)
        if (it.value() && !it.value()->accessibleName().isEmpty())
            labels.insert(it.key(), it.value()->accessibleName());
    return labels;
}

// A kind has a table window when the registry names one.
bool hasTable(int tab)
{
    return tab >= 0 && tab < tabCount && !kindRegistry[tab].tableTitle.empty();
}
} // namespace

OperatorViews::OperatorViews(Setup setup) : QObject(setup.window), m_setup(std::move(setup))
{
    Ticker *ticker = m_setup.ticker;
    if (!ticker) {
        m_ownTicker = makeEventLoopTicker();
        ticker = m_ownTicker.get();
    }
    m_auto = std::make_unique<AutoRefresh>(
        *ticker, [] { return dialogs::boxUp() || QApplication::activeModalWidget(); },
        m_setup.roundQueries.isEmpty() ? m_setup.queries : m_setup.roundQueries);
    connect(m_auto.get(), &AutoRefresh::intervalChanged, this, &OperatorViews::showRefreshState);

    for (int tab = 0; tab < m_setup.models.size(); ++tab) {
        auto *history = new KindHistory(*m_setup.models[tab], m_setup.clock, this);
        m_histories << history;
        m_tints << new TabTints(*history, m_setup.boxes.value(tab), this);
        connect(history, &KindHistory::updated, this, [this, tab] { showReading(tab); });
    }
    m_tables.resize(tabCount);
    if (auto *services = qobject_cast<ServiceModel *>(m_setup.models.value(ServiceKind)))
        m_queues = new QueueTable(*services, m_setup.clock, m_setup.window);

    buildMenu(m_setup.menuBefore);
    buildShortcuts();
    buildBoxMenus();
    EnterPressesButtons::install(m_setup.tabs);
    FullTextToolTips::install(m_setup.tabs);
}

OperatorViews::~OperatorViews() = default;

// The tab says what its latest query was: its tooltip, its bar, and a warning icon in its
// title from a failed query until a query of that kind succeeds.
void OperatorViews::showReading(int tab)
{
    const KindHistory &history = *m_histories[tab];
    m_setup.tabs->setTabToolTip(tab, history.summary());
    if (QueryBar *bar = m_setup.bars.value(tab))
        bar->follow(history);
    QIcon icon;
    if (history.failed()) {
        if (m_warningIcon.isNull())
            m_warningIcon = m_setup.tabs->style()->standardIcon(QStyle::SP_MessageBoxWarning);
        icon = m_warningIcon;
    } else if (m_marks.tabIcon) {
        icon = m_marks.tabIcon(tab);
    }
    // Setting a tab's icon lays the tab bar out again and repaints the whole tab: only when
    // it changes.
    if (icon.cacheKey() != m_setup.tabs->tabIcon(tab).cacheKey())
        m_setup.tabs->setTabIcon(tab, icon);
}

void OperatorViews::brokerSwitched(const QString &from, const QString &to)
{
    const QString note = tr("from %1, before the switch; Refresh to ask %2").arg(from, to);
    for (KindHistory *history : std::as_const(m_histories))
        history->forget(note);
    if (m_queues)
        m_queues->history().forget(note);
}

void OperatorViews::setSource(BrokerSource source)
{
    m_source = source;
    for (int tab = 0; tab < m_histories.size(); ++tab) {
        m_setup.models[tab]->keyBy(source);
        const std::string kind = m_setup.models[tab]->kindName().toStdString();
        const QHash<QString, QLineEdit *> boxes = m_setup.boxes.value(tab);
        for (auto it = boxes.cbegin(); it != boxes.cend(); ++it)
            if (it.value())
                it.value()->setToolTip(fieldLegend(kind, it.key(), source).toolTip(source));
    }
    for (TableWindow *window : openTables())
        window->tableModel().setLegend(source);
    if (m_queues) {
        m_queues->follow(source == BrokerSource::RabbitMq);
        m_queueItem->setVisible(source == BrokerSource::RabbitMq);
    }
}

void OperatorViews::setMarks(Marks marks)
{
    m_marks = std::move(marks);
    for (int tab = 0; tab < m_tints.size(); ++tab)
        m_tints[tab]->setBoxMarker(m_marks.boxes ? m_marks.boxes(tab) : nullptr);
    for (int tab = 0; tab < m_tables.size(); ++tab)
        if (m_tables[tab])
            m_tables[tab]->tableModel().setRowMarker(m_marks.rows ? m_marks.rows(tab) : nullptr);
    if (m_queues && m_queues->window()) // the queues' keys are the services' on RabbitMQ
        m_queues->window()->tableModel().setRowMarker(m_marks.rows ? m_marks.rows(ServiceKind)
                                                                   : nullptr);
    marksChanged();
}

void OperatorViews::marksChanged()
{
    for (int tab = 0; tab < m_histories.size(); ++tab) {
        // A tab not queried yet keeps its title bare, as it started.
        if (m_histories[tab]->queried())
            showReading(tab);
        m_tints[tab]->marksChanged();
    }
    for (TableWindow *window : openTables())
        window->tableModel().marksChanged();
}

QList<TableWindow *> OperatorViews::openTables() const
{
    QList<TableWindow *> open;
    for (const QPointer<TableWindow> &window : std::as_const(m_tables))
        if (window)
            open << window;
    if (m_queues && m_queues->window())
        open << m_queues->window();
    return open;
}

void OperatorViews::buildMenu(QAction *before)
{
    auto *view = new QMenu(tr("&View"), m_setup.window);
    m_viewMenu = view;
    view->setObjectName(QStringLiteral("mnuView"));
    m_setup.window->menuBar()->insertMenu(before, view);

    QMenu *tables = view->addMenu(tr("&Tables"));
    tables->setObjectName(QStringLiteral("mnuTables"));
    for (int tab = 0; tab < tabCount; ++tab) {
        if (!hasTable(tab))
            continue;
        QAction *item = tables->addAction(latin1(kindRegistry[tab].tableItem));
        item->setObjectName(QStringLiteral("mnuTable_%1").arg(tab));
        item->setEnabled(tab < m_histories.size());
        connect(item, &QAction::triggered, this, [this, tab] { openTable(tab); });
    }
    if (m_queues) {
        m_queueItem = tables->addAction(tr("&Queues, one row each"));
        m_queueItem->setObjectName(QStringLiteral("mnuTable_queues"));
        m_queueItem->setToolTip(tr("RabbitMQ's services one row per queue, its consumers summed"));
        m_queueItem->setVisible(false);
        connect(m_queueItem, &QAction::triggered, this, &OperatorViews::openQueueTable);
    }

    QMenu *refresh = view->addMenu(tr("&Auto refresh"));
    refresh->setObjectName(QStringLiteral("mnuAutoRefresh"));
    auto *group = new QActionGroup(refresh);
    for (int seconds : AutoRefresh::choices) {
        QAction *item =
            refresh->addAction(seconds == 0 ? tr("&Off") : tr("Every %1 s").arg(seconds));
        item->setObjectName(QStringLiteral("mnuAutoRefresh_%1").arg(seconds));
        item->setCheckable(true);
        item->setChecked(seconds == 0);
        group->addAction(item);
        m_intervalActions << item;
        connect(item, &QAction::triggered, this, [this, seconds] { m_auto->setInterval(seconds); });
    }

    m_highlightAction = view->addAction(tr("&Highlight changes"));
    m_highlightAction->setObjectName(QStringLiteral("mnuHighlight"));
    m_highlightAction->setCheckable(true);
    m_highlightAction->setChecked(m_highlight);
    connect(m_highlightAction, &QAction::toggled, this, &OperatorViews::setHighlight);

    // The trend window again, once a "Plot over time" made it; closing it only hides it.
    QAction *trends = view->addAction(tr("T&rends"));
    trends->setObjectName(QStringLiteral("mnuTrends"));
    trends->setToolTip(tr("Right-click a number box or table cell: Plot over time"));
    connect(view, &QMenu::aboutToShow, trends, [this, trends] { trends->setEnabled(m_trend); });
    connect(trends, &QAction::triggered, this, [this] {
        if (!m_trend)
            return;
        m_trend->show();
        m_trend->raise();
        m_trend->activateWindow();
    });
}

void OperatorViews::buildShortcuts()
{
    // Window actions, not menu items: the menus keep their items, the keys work anywhere
    // in the main window.
    auto *front = new QAction(m_setup.window);
    front->setObjectName(QStringLiteral("actRefreshFront"));
    front->setShortcut(Qt::Key_F5);
    connect(front, &QAction::triggered, this, &OperatorViews::runFrontQuery);
    m_setup.window->addAction(front);
    for (int tab = 0; tab < tabCount; ++tab) {
        auto *toTab = new QAction(m_setup.window);
        toTab->setObjectName(QStringLiteral("actTab%1").arg(tab + 1));
        toTab->setShortcut(QKeySequence(Qt::CTRL | Qt::Key(Qt::Key_1 + tab)));
        connect(toTab, &QAction::triggered, this,
                [this, tab] { m_setup.tabs->setCurrentIndex(tab); });
        m_setup.window->addAction(toTab);
    }
}

void OperatorViews::runFrontQuery()
{
    const int tab = m_setup.tabs->currentIndex();
    // Not inside a round or under a box: F5 is a key like any other in a nested loop.
    if (m_auto->running() || dialogs::boxUp())
        return;
    if (tab >= 0 && tab < m_setup.queries.size())
        m_setup.queries[tab]();
}

void OperatorViews::showRefreshState()
{
    const int seconds = m_auto->interval();
    for (int i = 0; i < m_intervalActions.size(); ++i)
        m_intervalActions[i]->setChecked(AutoRefresh::choices[i] == seconds);
}

KindHistory *OperatorViews::history(int tab) const
{
    return tab >= 0 && tab < m_histories.size() ? m_histories[tab] : nullptr;
}

TabTints *OperatorViews::tints(int tab) const
{
    return tab >= 0 && tab < m_tints.size() ? m_tints[tab] : nullptr;
}

TableWindow *OperatorViews::tableWindow(int tab) const
{
    return hasTable(tab) ? m_tables[tab].data() : nullptr;
}

TableWindow *OperatorViews::makeTable(KindHistory &kind, const QString &title, int tab)
{
    auto *window = new TableWindow(kind, title, m_setup.csv, fieldLabels(m_setup.boxes.value(tab)),
                                   m_setup.window);
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->setHighlight(m_highlight);
    connect(window, &TableWindow::plotRequested, this,
            [this, &kind, tab](const QString &key, int column) { plotIn(kind, tab, key, column); });
    if (m_marks.rows)
        window->tableModel().setRowMarker(m_marks.rows(tab));
    if (m_source)
        window->tableModel().setLegend(*m_source);
    return window;
}

namespace
{
TableWindow *bringUp(TableWindow *window)
{
    window->show();
    window->raise();
    window->activateWindow();
    return window;
}
} // namespace

TableWindow *OperatorViews::openTable(int tab)
{
    KindHistory *kind = history(tab);
    if (!hasTable(tab) || !kind)
        return nullptr;
    QPointer<TableWindow> &window = m_tables[tab];
    if (!window) {
        window = makeTable(*kind, latin1(kindRegistry[tab].tableTitle), tab);
        if (const ObjectExtras *extras = m_setup.extras.value(tab))
            window->tableModel().setExtras(extras);
    }
    return bringUp(window);
}

TableWindow *OperatorViews::openQueueTable()
{
    if (!m_queues)
        return nullptr;
    // The queues' keys are the services' on RabbitMQ: the services' marks fit them.
    if (!m_queues->window())
        m_queues->keep(makeTable(m_queues->history(), tr("Queues"), ServiceKind));
    return bringUp(m_queues->window());
}

void OperatorViews::setHighlight(bool on)
{
    if (on == m_highlight)
        return;
    m_highlight = on;
    m_highlightAction->setChecked(on);
    for (TableWindow *window : openTables())
        window->setHighlight(on);
    for (TabTints *tints : std::as_const(m_tints))
        tints->setHighlight(on);
    emit highlightChanged(on);
}

void OperatorViews::buildBoxMenus()
{
    for (int tab = 0; tab < m_histories.size(); ++tab)
        for (QLineEdit *box : m_setup.boxes.value(tab)) {
            box->setContextMenuPolicy(Qt::CustomContextMenu);
            connect(box, &QWidget::customContextMenuRequested, this,
                    [this, tab, box](const QPoint &at) {
                        QMenu *menu = boxMenu(tab, box);
                        menu->setAttribute(Qt::WA_DeleteOnClose);
                        menu->popup(box->mapToGlobal(at));
                    });
        }
}

QMenu *OperatorViews::boxMenu(int tab, QLineEdit *box)
{
    QMenu *menu = box->createStandardContextMenu();
    menu->addSeparator();
    QAction *plot = menu->addAction(tr("Plot over time"));
    plot->setObjectName(QStringLiteral("actPlotOverTime"));
    const KindHistory *kind = history(tab);
    const QString field = m_setup.boxes.value(tab).key(box);
    int column = -1;
    if (kind) {
        const QList<FieldInfo> fields = kind->model().columns();
        for (int c = 0; c < fields.size() && column < 0; ++c)
            if (fields[c].name == field)
                column = c;
    }
    // The object the tab shows, as long as it comes from a good query.
    const int z = kind ? m_tints[tab]->shown() : 0;
    const bool shown = kind && !kind->failed() && z >= 1 && z <= kind->model().shownCount();
    plot->setEnabled(shown && column >= 0 && kind->course().kept(column));
    if (plot->isEnabled()) {
        const QString key = kind->model().key(z);
        connect(plot, &QAction::triggered, this,
                [this, tab, key, column] { plotOverTime(tab, key, column); });
    }
    return menu;
}

TrendWindow *OperatorViews::trendWindow() const
{
    return m_trend;
}

TrendWindow *OperatorViews::plotOverTime(int tab, const QString &key, int column)
{
    KindHistory *kind = history(tab);
    return kind ? plotIn(*kind, tab, key, column) : nullptr;
}

TrendWindow *OperatorViews::plotIn(KindHistory &kind, int tab, const QString &key, int column)
{
    if (!m_trend)
        m_trend = new TrendWindow(m_setup.window);
    // Where the broker's source is known, the series says its unit and the axis shows it.
    const QString field = kind.model().columns().value(column).name;
    const FieldLegend legend =
        m_source ? fieldLegend(kind.model().kindName().toStdString(), field, *m_source)
                 : FieldLegend{};
    if (legend.isNull())
        m_trend->plot(kind, key, column,
                      fieldLabels(m_setup.boxes.value(tab)).value(field, fieldWords(field)));
    else
        m_trend->plot(kind, key, column, legend.captionWithUnit(), legend.unit);
    m_trend->show();
    m_trend->raise();
    m_trend->activateWindow();
    return m_trend;
}

} // namespace morvain
