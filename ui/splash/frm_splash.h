#pragma once
// frmSplash, the program's first window. It loops the picture strip (Timer1, every
// 10 ms, with the matching small icon as the window icon) until the first of three
// triggers closes it: tmrclose 3000 ms after it was loaded, a click on its background
// (Frame1) or a key press. Closing is one-way and goes:
//   1. framecalling shows "Calling Broker ... please wait" and is painted at once;
//   2. the splash unloads: its timers stop and loadMainWindow() creates the main window
//      and runs its start (the start-up queries) while the notice stays on the screen;
//   3. the main window is shown, not modal, and only then does the splash leave.
// A trigger that comes while this runs (the start's message boxes let events through)
// does nothing.

#include <QIcon>
#include <QPixmap>
#include <QWidget>

#include <array>
#include <functional>
#include <memory>

class QTimer;

namespace Ui
{
class FrmSplash;
}

namespace morvain
{

class FrmSplash : public QWidget
{
    Q_OBJECT
public:
    // Creates the main window, runs its start and returns it (not yet shown).
    using MainWindowLoader = std::function<QWidget *()>;

    explicit FrmSplash(MainWindowLoader loadMainWindow, QWidget *parent = nullptr);
    ~FrmSplash() override;

    // Shows strip cell 2 and centres the picture; run by the constructor.
    void Form_Load();
    // One animation step: the next cell (after 17 comes 0) and its icon.
    void Timer1_Timer();
    // The three ways to close.
    void tmrclose_Timer();
    void Frame1_Click();
    void Form_KeyPress();

    int frameIndex() const { return frame_index; }

signals:
    // Once, after the main window has been shown, just before the splash goes.
    void unloaded(QWidget *mainWindow);

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void closeSplash();
    void Form_Unload();
    void showFrame();

    std::unique_ptr<Ui::FrmSplash> ui;
    MainWindowLoader m_loadMainWindow;
    QTimer *Timer1;
    QTimer *tmrclose;
    std::array<QPixmap, 18> m_cells;
    std::array<QIcon, 18> m_icons;
    qint16 frame_index = 0;
    bool m_closing = false;
    bool m_unloaded = false;
};

} // namespace morvain
