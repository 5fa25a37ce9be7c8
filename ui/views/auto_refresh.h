#pragma once
// Repeats the five queries at a chosen interval. A round runs the queries one after the
// other; the next round is timed from the end of the last, so rounds never overlap. No
// round starts while a modal box is up, and a round in which a query shows a box stops
// the repetition: someone has to read that box first. Nothing of it is kept between runs.
// Widget-free: the timer and what counts as "a box" are handed in, so a test drives it.

#include <QList>
#include <QObject>

#include <functional>
#include <memory>

namespace morvain
{

// A one-shot timer: at most one pending firing at a time.
class Ticker
{
public:
    virtual ~Ticker() = default;
    // Calls `fire` once after `msecs`, replacing any pending firing.
    virtual void startOnce(int msecs, std::function<void()> fire) = 0;
    virtual void cancel() = 0;
};

// The real timer, on the event loop.
std::unique_ptr<Ticker> makeEventLoopTicker();

// What the repetition needs to know about modal boxes.
struct BoxWatch {
    std::function<bool()> up;        // a modal box is on the screen now
    std::function<int()> shownSoFar; // how many boxes were shown since the start
};

class AutoRefresh : public QObject
{
    Q_OBJECT
public:
    static inline const QList<int> choices{0, 5, 10, 30, 60}; // seconds; 0 is Off

    AutoRefresh(Ticker &ticker, BoxWatch boxes, QList<std::function<void()>> queries,
                QObject *parent = nullptr);

    // 0 turns it off. Any other value times the first round from now.
    void setInterval(int seconds);
    int interval() const { return m_seconds; }
    bool running() const { return m_inRound; }
    // Turned off because a query of a round showed a box.
    bool stoppedByBox() const { return m_stoppedByBox; }
    // After it stopped itself: the interval it had, from now on.
    void resume();

signals:
    void intervalChanged(int seconds);
    // A round ran all its queries (or stopped at a box).
    void roundEnded();

private:
    void fire();
    void schedule();

    Ticker &m_ticker;
    BoxWatch m_boxes;
    QList<std::function<void()>> m_queries;
    int m_seconds = 0;
    bool m_inRound = false;
    bool m_stoppedByBox = false;
    int m_stoppedInterval = 0; // the interval it had when it stopped itself
};

} // namespace morvain
