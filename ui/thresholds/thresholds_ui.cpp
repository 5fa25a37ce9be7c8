#include "thresholds_ui.h"

#include "breach_views.h"
#include "thresholds_dialog.h"
#include "views/operator_views.h"
#include "whole_file.h"

#include <QMainWindow>
#include <QMenu>
#include <QSettings>
#include <QStandardPaths>
#include <QStatusBar>
#include <QSystemTrayIcon>

#include <memory>

namespace morvain
{

namespace
{
const QString notificationsKey = QStringLiteral("thresholds/desktop_notifications");

// Beside the rules file: the same folder for the window whatever its application name.
// QSettings reads its file as it is made, and a FIFO there would hang the window's start:
// the file is judged first, and one that is no small regular file is left alone (the
// notifications stay off and nothing is written to it). Only this one file is read, not
// the folders QSettings would fall back to.
std::unique_ptr<QSettings> settings()
{
    const QString path = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
                         QStringLiteral("/morvain/morvain.conf");
    const SmallFile file = readSmallFile(path, 64 * 1024);
    if (!file.missing && !file.error.isEmpty())
        return nullptr;
    return std::make_unique<QSettings>(path, QSettings::IniFormat);
}
} // namespace

bool desktopNotificationsOn()
{
    const auto kept = settings();
    return kept && kept->value(notificationsKey, false).toBool();
}

void setDesktopNotificationsOn(bool on)
{
    if (const auto kept = settings())
        kept->setValue(notificationsKey, on);
}

ThresholdsUi::ThresholdsUi(QMainWindow &window, OperatorViews &views, const QString &rulesFile)
    : QObject(&window), m_window(window), m_views(views)
{
    QList<KindHistory *> histories;
    QList<const ObjectExtras *> extras;
    for (int tab = 0; views.history(tab); ++tab) {
        histories << views.history(tab);
        extras << views.extras(tab);
    }
    m_watch = new BreachWatch(histories, this);
    m_watch->setExtras(extras);
    m_watch->setNotify(desktopNotificationsOn());
    m_watch->setNotifier(
        [this](const QString &title, const QString &text) { notifyOnDesktop(title, text); });
    showBreaches(*m_watch, views);
    m_label = new BreachLabel(*m_watch, window.statusBar());
    window.statusBar()->addPermanentWidget(m_label);
    m_watch->load(rulesFile);

    QAction *item = views.viewMenu()->addAction(tr("Thre&sholds..."));
    item->setObjectName(QStringLiteral("mnuThresholds"));
    connect(item, &QAction::triggered, this, &ThresholdsUi::openDialog);
}

ThresholdsUi::~ThresholdsUi() = default;

ThresholdsDialog *ThresholdsUi::openDialog()
{
    if (!m_dialog) {
        m_dialog = new ThresholdsDialog(*m_watch, &m_window);
        m_dialog->setAttribute(Qt::WA_DeleteOnClose);
        connect(m_dialog, &ThresholdsDialog::notifyToggled, this, &setDesktopNotificationsOn);
    }
    m_dialog->setSource(m_views.source().value_or(BrokerSource::Demo));
    m_dialog->show();
    m_dialog->raise();
    m_dialog->activateWindow();
    return m_dialog;
}

void ThresholdsUi::notifyOnDesktop(const QString &title, const QString &text)
{
    if (!QSystemTrayIcon::isSystemTrayAvailable())
        return;
    if (!m_tray) {
        m_tray = new QSystemTrayIcon(breachIcon(thresholds::Severity::Critical), this);
        m_tray->setToolTip(m_window.windowTitle().trimmed());
    }
    m_tray->show();
    m_tray->showMessage(title, text, QSystemTrayIcon::Warning);
}

} // namespace morvain
