#pragma once
// Waits for what the user sees: after a piece of work, the events it posted are processed
// until each widget it changed has been painted again. A row timed through it ends where
// the user's wait ends, not where the handler returns.

#include <QList>
#include <QObject>
#include <QSet>

#include <functional>

class QWidget;

namespace morvain::bench
{

class PaintWatch : public QObject
{
public:
    PaintWatch();
    ~PaintWatch() override;

    // Runs `work`, then the event loop until every widget of `changed` (or a widget inside
    // it, such as a list's viewport) has had a paint event; at most 2 s and 1000 rounds.
    // False, and counted as a miss, when the bound ended it.
    bool run(const std::function<void()> &work, const QList<QWidget *> &changed);
    // Rounds that ended at the bound, since the watch began.
    int misses() const { return m_misses; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    bool allPainted(const QList<QWidget *> &changed) const;

    QSet<QObject *> m_painted;
    int m_misses = 0;
};

// Shows `window` and processes events until it has been exposed and painted once.
bool showAndPaint(QWidget &window);

} // namespace morvain::bench
