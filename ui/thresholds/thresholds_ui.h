#pragma once
// What thresholds add to the main window: the watch over every kind, "Thre&sholds..." at
// the end of the "&View" menu, the breach label at the right of the status bar and the
// desktop notifications. Without a rules file the window looks and runs as before: the
// label stays hidden and nothing is judged.

#include "breach_watch.h"

#include <QObject>
#include <QPointer>

class QMainWindow;
class QSystemTrayIcon;

namespace morvain
{

class BreachLabel;
class OperatorViews;
class ThresholdsDialog;

class ThresholdsUi : public QObject
{
    Q_OBJECT
public:
    // `rulesFile`: where the rules are read from and saved to.
    ThresholdsUi(QMainWindow &window, OperatorViews &views, const QString &rulesFile);
    ~ThresholdsUi() override;

    BreachWatch &watch() { return *m_watch; }
    BreachLabel &label() { return *m_label; }
    // Opens, or raises, View > Thresholds...
    ThresholdsDialog *openDialog();

private:
    void notifyOnDesktop(const QString &title, const QString &text);

    QMainWindow &m_window;
    OperatorViews &m_views;
    BreachWatch *m_watch = nullptr;
    BreachLabel *m_label = nullptr;
    QPointer<ThresholdsDialog> m_dialog;
    QSystemTrayIcon *m_tray = nullptr; // made on the first notification
};

// The user's choice of desktop notifications, kept in Morvain's settings (off until set).
bool desktopNotificationsOn();
void setDesktopNotificationsOn(bool on);

} // namespace morvain
