#pragma once
// The start-up baseline: a bare Qt main window with a menu, a status bar and five tabs
// holding as many widgets of each kind as the real one, with nothing behind them.

#include <QMainWindow>
#include <QStringList>

namespace morvain::bench
{

// How many widgets of each kind a window holds.
struct Census {
    int labels = 0, edits = 0, lists = 0, combos = 0, buttons = 0, frames = 0;

    static Census of(const QWidget &window);
    QStringList arguments() const;
    static Census fromArguments(const QStringList &arguments);
};

class BareWindow : public QMainWindow
{
public:
    explicit BareWindow(const Census &census);
};

} // namespace morvain::bench
