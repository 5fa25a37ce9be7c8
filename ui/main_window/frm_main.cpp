#include "frm_main.h"

#include "about/frm_about.h"
#include "broker_object/broker_object_page.h"
#include "broker_panel.h"
#include "client_server/client_server_page.h"
#include "config/config_file.h"
#include "config/frm_config.h"
#include "conversation/conversation_page.h"
#include "csv_document.h"
#include "dialogs.h"
#include "failure_path.h"
#include "field_legend.h"
#include "header/frm_header.h"
#include "known_brokers.h"
#include "query_reading.h"
#include "service/service_page.h"
#include "text_support.h"
#include "thresholds.h"
#include "thresholds/thresholds_ui.h"
#include "views/operator_views.h"
#include "views/query_bar.h"
#include "worker/worker_page.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDateTime>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenuBar>
#include <QStatusBar>
#include <QTabWidget>
#include <QToolButton>
#include <QVBoxLayout>

#include <utility>

namespace morvain
{

namespace
{
// 9480 by 6510 twips of client area; the first status panel is 2540 twips wide.
constexpr int clientWidth = 632;
constexpr int clientHeight = 434;
constexpr int panel1Width = 169;
} // namespace

FrmMain::FrmMain(EntryPoint &entry, QWidget *parent, Ticker *ticker)
    : QMainWindow(parent), m_session(entry, *this)
{
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(QStringLiteral("Morvain Services "));
    // The pages are laid out for an 8-point dialog font in a 632 by 434 client area.
    QFont compact = font();
    compact.setPointSize(8);
    setFont(compact);
    buildMenu();

    // The tabs under a hint that only the first start against the demo broker shows.
    auto *central = new QWidget(this);
    m_column = new QVBoxLayout(central);
    m_column->setContentsMargins(0, 0, 0, 0);
    m_column->setSpacing(0);
    m_tabs = new QTabWidget(central);
    m_tabs->setObjectName(QStringLiteral("SSTab1"));
    m_tabs->setUsesScrollButtons(false);
    const PageContext context{m_session.cycle(), *this};
    m_broker = new BrokerObjectPage(context, m_session.broker());
    m_worker = new WorkerPage(context, m_session.worker());
    m_conversation = new ConversationPage(context, m_session.conversation());
    m_service = new ServicePage(context, m_session.service(), *m_conversation);
    m_clientServer = new ClientServerPage(context, m_session.clientServer());
    m_pages = {m_broker, m_worker, m_service, m_clientServer, m_conversation};
    for (int tab = 0; tab < KindCount; ++tab) {
        // Each page under a bar that shows only when its values are not a good, whole
        // query; the page itself keeps its layout.
        auto *sheet = new QWidget;
        sheet->setObjectName(QStringLiteral("sheet_%1").arg(tab));
        auto *column = new QVBoxLayout(sheet);
        column->setContentsMargins(0, 0, 0, 0);
        column->setSpacing(0);
        m_bars << new QueryBar(sheet);
        column->addWidget(m_bars.last());
        column->addWidget(m_pages[tab], 1);
        const std::string_view title = kindRegistry[tab].tabTitle;
        m_tabs->addTab(sheet, QString::fromLatin1(title.data(), qsizetype(title.size())));
        // The status bar's text during a query is that query's error text.
        const ObjectModel *model = &m_pages[tab]->objectModel();
        connect(model, &ObjectModel::aboutToQuery, this, [this, tab] {
            m_querying = tab;
            setBusy(true);
        });
        connect(model, &ObjectModel::queried, this, [this] { setBusy(false); });
    }
    m_tabs->setCurrentIndex(0);
    m_column->addWidget(m_tabs);
    setCentralWidget(central);

    buildStatusBar();
    buildViews(ticker);
    const int height = menuBar()->sizeHint().height() + clientHeight;
    resize(clientWidth, height);
}

FrmMain::~FrmMain()
{
    setBusy(false);
}

// A busy cursor while a query waits on the broker; the program's one thread shows nothing
// else meanwhile.
void FrmMain::setBusy(bool busy)
{
    if (busy == m_busy)
        return;
    m_busy = busy;
    if (busy)
        QApplication::setOverrideCursor(Qt::WaitCursor);
    else
        QApplication::restoreOverrideCursor();
}

void FrmMain::buildMenu()
{
    QMenu *menu = menuBar()->addMenu(QStringLiteral("&Menu"));
    menu->setObjectName(QStringLiteral("mnuMenu"));
    QAction *configure = menu->addAction(QStringLiteral("&Configure"));
    configure->setObjectName(QStringLiteral("mnuConfigure"));
    menu->addSeparator()->setObjectName(QStringLiteral("mnusep"));
    QAction *exitAction = menu->addAction(QStringLiteral("E&xit"));
    exitAction->setObjectName(QStringLiteral("mnuExit"));
    // A command on the bar itself, with no drop-down.
    QAction *about = menuBar()->addAction(QStringLiteral("A&bout"));
    about->setObjectName(QStringLiteral("mnuAbout"));
    m_about = about;

    connect(configure, &QAction::triggered, this, &FrmMain::mnuConfigure_Click);
    connect(exitAction, &QAction::triggered, this, &FrmMain::mnuExit_Click);
    connect(about, &QAction::triggered, this, &FrmMain::mnuAbout_Click);
}

void FrmMain::buildViews(Ticker *ticker)
{
    OperatorViews::Setup setup;
    setup.ticker = ticker;
    setup.window = this;
    setup.tabs = m_tabs;
    setup.menuBefore = m_about;
    for (ObjectPage *page : m_pages) {
        setup.queries << [page] { page->callBroker(); };
        setup.roundQueries << [page] { page->refreshKeepingSelection(); };
        setup.boxes << page->fieldBoxes();
    }
    setup.models = models();
    setup.bars = m_bars;
    for (const ObjectModel *model : setup.models)
        setup.extras << m_session.extrasOf(*model);
    setup.csv = [this](const ObjectModel &model) {
        return csv::document(model, m_session.extrasOf(model));
    };
    m_views = new OperatorViews(std::move(setup));
    AutoRefresh &refresh = m_views->autoRefresh();
    connect(&refresh, &AutoRefresh::intervalChanged, this, &FrmMain::showBrokerPanel);
    connect(&refresh, &AutoRefresh::roundEnded, this, [this] {
        m_lastRoundAt = QDateTime::currentMSecsSinceEpoch();
        m_failedInLastRound = 0;
        for (const ObjectModel *model : models())
            m_failedInLastRound += readingOf(*model).failed ? 1 : 0;
        if (m_failedInLastRound == 0)
            m_lastGoodRoundAt = m_lastRoundAt;
        showBrokerPanel();
    });
    connect(m_panel3, &BrokerPanel::configureRequested, this, &FrmMain::mnuConfigure_Click);
    connect(m_panel3, &BrokerPanel::brokerPicked, this, &FrmMain::pickBroker);
    // Each tab says which stored object it shows, so its changed boxes can be tinted.
    for (int tab = 0; tab < int(m_pages.size()); ++tab)
        connect(m_pages[tab], &ObjectPage::objectShown, m_views->tints(tab),
                &TabTints::objectShown);
    m_thresholds = new ThresholdsUi(*this, *m_views, thresholds::defaultRulesFile());
}

void FrmMain::buildStatusBar()
{
    QStatusBar *bar = statusBar();
    bar->setObjectName(QStringLiteral("stbMessage"));
    bar->setSizeGripEnabled(false);
    m_panel1 = new QLabel(bar);
    m_panel1->setObjectName(QStringLiteral("stbMessage_panel1"));
    m_panel1->setFixedWidth(panel1Width);
    m_panel1->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    m_panel2 = new QLabel(bar);
    m_panel2->setObjectName(QStringLiteral("stbMessage_panel2"));
    m_panel2->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    m_panel2->setTextFormat(Qt::PlainText); // the broker's text is shown as it is, never as markup
    // A long broker message must not widen the window.
    m_panel2->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    // The third panel says which broker the window watches and how auto refresh fares.
    m_panel3 = new BrokerPanel(bar);
    m_panel3->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    bar->addWidget(m_panel1);
    bar->addWidget(m_panel2, 2);
    bar->addWidget(m_panel3, 3);
}

void FrmMain::showBrokerPanel()
{
    BrokerPanelState state;
    state.brokerId = m_session.cycle().controlBlock().text<"broker_id">();
    if (m_views) {
        const AutoRefresh &refresh = m_views->autoRefresh();
        state.interval = refresh.interval();
        state.lastRoundAt = m_lastRoundAt;
        state.failedInLastRound = m_failedInLastRound;
        state.lastGoodRoundAt = m_lastGoodRoundAt;
        state.heldInLastRound = refresh.heldInLastRound();
        for (const HeldBox &box : refresh.notes())
            state.notes << QDateTime::fromMSecsSinceEpoch(box.at).toString(u"HH:mm:ss ") +
                               box.title + QStringLiteral(": ") + box.text;
    }
    m_panel3->showState(state);
}

void FrmMain::showDemoHint()
{
    if (m_demoHint)
        return; // once a run
    m_demoHint = new QFrame(centralWidget());
    m_demoHint->setObjectName(QStringLiteral("demoHint"));
    m_demoHint->setFrameShape(QFrame::StyledPanel);
    auto *row = new QHBoxLayout(m_demoHint);
    row->setContentsMargins(6, 3, 6, 3);
    auto *text = new QLabel(
        tr("This is the built-in demo broker. Menu > Configure sets the broker to watch."),
        m_demoHint);
    text->setObjectName(QStringLiteral("lblDemoHint"));
    text->setWordWrap(true);
    auto *close = new QToolButton(m_demoHint);
    close->setObjectName(QStringLiteral("cmdCloseDemoHint"));
    close->setText(QStringLiteral("x"));
    close->setAccessibleName(tr("Close the hint"));
    close->setAutoRaise(true);
    row->addWidget(text, 1);
    row->addWidget(close);
    connect(close, &QToolButton::clicked, m_demoHint, &QWidget::hide);
    m_column->insertWidget(0, m_demoHint);
}

void FrmMain::Form_Load()
{
    const Identity identity = identityOf(readConfigOrEnd());
    m_session.cycle().startUp(identity);
    m_panel1->setText(QStringLiteral("Broker message"));
    showBrokerPanel();
    if (trimIdentifier(identity.brokerId).isEmpty())
        showDemoHint();
    showLegend(identity.brokerId);
    // The five "Call Broker" handlers in tab order: broker, worker, service,
    // client/server, conversation.
    underFailurePath([this] {
        for (ObjectPage *page : m_pages)
            page->callBroker();
    });
}

void FrmMain::mnuConfigure_Click()
{
    FrmConfig *config = ensureConfig();
    config->show();
    config->raise();
    config->activateWindow();
}

// One click in the third panel's menu: the name goes into "Broker.cfg" as Save writes it.
void FrmMain::pickBroker(const QString &name)
{
    FrmConfig *config = ensureConfig();
    config->Form_Load(); // the other fields as the file holds them
    config->pickBroker(name);
    config->cmdSave_Click();
}

FrmConfig *FrmMain::ensureConfig()
{
    if (!m_config) {
        m_config = new FrmConfig(
            [this](const Identity &identity) {
                ControlBlock &block = m_session.cycle().controlBlock();
                const QString before = block.text<"broker_id">();
                assignIdentity(block, identity);
                const QString after = block.text<"broker_id">();
                if (trimIdentifier(before) != trimIdentifier(after))
                    brokerSwitched(before, after);
                showBrokerPanel();
            },
            this);
        m_config->setObjectName(QStringLiteral("frmConfig"));
    }
    return m_config;
}

// Values, history and breaches of the old broker are never compared with the new one's.
void FrmMain::brokerSwitched(const QString &before, const QString &after)
{
    if (m_demoHint)
        m_demoHint->hide();
    m_views->brokerSwitched(shownBrokerId(before), shownBrokerId(after));
    showLegend(after);
}

// Every box and table header says what its number is on the broker `brokerId` names.
void FrmMain::showLegend(const QString &brokerId)
{
    const BrokerSource source = brokerSourceOf(trimIdentifier(brokerId));
    m_session.serviceExtras().setSource(source); // before the tables ask for its columns
    m_views->setSource(source);
    // The broker tab shows three fields in labels, not boxes: they say it too.
    const std::pair<const char *, const char *> labels[] = {
        {"lblPlatform", "platform"},
        {"lblhour", "run_time"},
        {"lblmin", "run_time"},
        {"lblsec", "run_time"},
        {"lblnum_worker_act", "num_worker_act"}};
    for (const auto &[name, field] : labels)
        if (auto *label = m_tabs->findChild<QLabel *>(QLatin1String(name)))
            label->setToolTip(fieldLegend("broker", QLatin1String(field), source).toolTip(source));
}

void FrmMain::mnuAbout_Click()
{
    // Built afresh after each close; it deletes itself when closed.
    FrmAbout::showOne(this);
}

void FrmMain::mnuExit_Click()
{
    dialogs::endProgram(0);
}

void FrmMain::closeEvent(QCloseEvent *event)
{
    // Hidden dialogs stay loaded and would keep the program alive; closing the main
    // window ends it, as Exit does.
    event->accept();
    dialogs::endProgram(0);
}

void FrmMain::showStatusMessage(const QString &text)
{
    m_panel2->setText(text);
    if (m_views && m_querying >= 0)
        m_views->history(m_querying)->setErrorText(text);
}

void FrmMain::showHeaderMessage(const QString &text)
{
    headerDialog().setMessage(text);
}

void FrmMain::brokerMessage(const QString &text)
{
    // The box waits on the user, not on the broker: no busy cursor over it.
    const bool busy = m_busy;
    setBusy(false);
    dialogs::message(QStringLiteral("Broker Message"), text);
    setBusy(busy);
}

FrmHeader &FrmMain::headerDialog()
{
    if (!m_header) {
        m_header = std::make_unique<FrmHeader>();
        m_header->setObjectName(QStringLiteral("FrmHeader"));
        m_header->setFont(font()); // no owner, so it would not take the window's font
    }
    return *m_header;
}

} // namespace morvain
