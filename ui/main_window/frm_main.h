#pragma once
// frmMain, the program's one main window.
//
// Overview: the window owns the query state of the whole run, a Session: the call cycle
// with the records that cross Broker, and one model per object kind with its reply record
// and table; one page per kind shows its model. Its start (Form_Load) reads "Broker.cfg", fills the
// control block and runs the five "Call Broker" handlers in page order under one failure trap. The
// pages run their own queries; the cycle reports to the user through this window (status bar,
// header dialog, "Broker Message" boxes). Exit and closing the window end the program at once.
// Beside the tabs, OperatorViews adds the "&View" menu, its table windows, auto refresh and
// the keys; it reaches the broker only through the pages' own query handlers. ThresholdsUi
// judges the queries by the user's threshold rules and shows the breaches over those views.

#include "config/frm_config.h"
#include "info_cycle.h"
#include "page_context.h"
#include "session/session.h"

#include <QList>
#include <QMainWindow>
#include <QPointer>

#include <memory>
#include <optional>

class QFrame;
class QLabel;
class QTabWidget;
class QVBoxLayout;

namespace morvain
{

class BrokerObjectPage;
class WorkerPage;
class ServicePage;
class ClientServerPage;
class ConversationPage;
class ObjectModel;
class ObjectPage;
class OperatorViews;
class QueryBar;
class BrokerPanel;
class ThresholdsUi;
class Ticker;

class FrmMain : public QMainWindow, public CycleView, public HeaderHost
{
    Q_OBJECT
public:
    // `ticker` times auto refresh (a test's); nullptr: the event loop's timer.
    explicit FrmMain(EntryPoint &entry, QWidget *parent = nullptr, Ticker *ticker = nullptr);
    ~FrmMain() override;

    void Form_Load();
    void mnuConfigure_Click();
    // The third panel's menu: watch `name` from now on, saved as Configure saves it.
    void pickBroker(const QString &name);
    void mnuAbout_Click();
    void mnuExit_Click();

    // CycleView
    void showStatusMessage(const QString &text) override;
    void showHeaderMessage(const QString &text) override;
    void brokerMessage(const QString &text) override;
    // HeaderHost
    FrmHeader &headerDialog() override;

    InfoCycle &cycle() { return m_session.cycle(); }
    Session &session() { return m_session; }
    BrokerObjectPage &brokerPage() { return *m_broker; }
    WorkerPage &workerPage() { return *m_worker; }
    ServicePage &servicePage() { return *m_service; }
    ClientServerPage &clientServerPage() { return *m_clientServer; }
    ConversationPage &conversationPage() { return *m_conversation; }
    // The five kinds' models, in tab order: broker, worker, service, client/server,
    // conversation.
    QList<ObjectModel *> models() { return m_session.models(); }
    // The five tabs, in the same order.
    const QList<ObjectPage *> &pages() const { return m_pages; }
    FrmConfig *configDialog() const { return m_config; }
    bool headerDialogLoaded() const { return m_header != nullptr; }
    OperatorViews &views() { return *m_views; }
    ThresholdsUi &thresholds() { return *m_thresholds; }
    // The bar across the top of tab `tab`.
    QueryBar &queryBar(int tab) const { return *m_bars.at(tab); }
    BrokerPanel &brokerPanel() const { return *m_panel3; }
    // The hint the first start against the built-in demo broker shows; nullptr if none.
    QFrame *demoHint() const { return m_demoHint; }

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void buildMenu();
    void buildStatusBar();
    void buildViews(Ticker *ticker);
    void brokerSwitched(const QString &before, const QString &after);
    void showLegend(const QString &brokerId);
    void showBrokerPanel();
    void showDemoHint();
    void setBusy(bool busy);

    Session m_session;
    std::unique_ptr<FrmHeader> m_header;
    QTabWidget *m_tabs = nullptr;
    QLabel *m_panel1 = nullptr;
    QLabel *m_panel2 = nullptr;
    BrokerPanel *m_panel3 = nullptr;
    QFrame *m_demoHint = nullptr;
    QVBoxLayout *m_column = nullptr; // the hint above the tabs
    std::optional<qint64> m_lastRoundAt;
    int m_failedInLastRound = 0;
    std::optional<qint64> m_lastGoodRoundAt;
    bool m_busy = false;
    BrokerObjectPage *m_broker = nullptr;
    WorkerPage *m_worker = nullptr;
    ServicePage *m_service = nullptr;
    ClientServerPage *m_clientServer = nullptr;
    ConversationPage *m_conversation = nullptr;
    QList<ObjectPage *> m_pages; // in tab order
    QList<QueryBar *> m_bars;    // across the top of each tab
    int m_querying = -1;         // the tab whose kind is being queried
    FrmConfig *ensureConfig();
    QPointer<FrmConfig> m_config;
    QAction *m_about = nullptr;
    OperatorViews *m_views = nullptr;
    ThresholdsUi *m_thresholds = nullptr;
};

} // namespace morvain
