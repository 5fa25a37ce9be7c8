#pragma once
// Repeats the five queries at a chosen interval. A round runs the queries one after the
// other; the next round is timed from the end of the last, so rounds never overlap. No
// round starts while a modal box is up. The boxes a round's queries would show are held
// (dialogs::BoxHold) and kept as notes instead: an unattended window must ride through a
// broker's outage and show fresh values once it is back, without waiting for a click.
// Nothing of it is kept between runs. Widget-free: the timer and what counts as "a box
// up" are handed in, so a test drives it.

#include <QList>
#include <QObject>
#include <QString>

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

// A modal box is on the screen now (one shown by hand, or another modal dialog).
using BoxUpWatch = std::function<bool()>;

// A box a round held, with the time it would have been shown.
struct HeldBox {
    qint64 at = 0; // msecs since the epoch
    QString title, text;
};

class AutoRefresh : public QObject
{
    Q_OBJECT
public:
    static inline const QList<int> choices{0, 5, 10, 30, 60}; // seconds; 0 is Off

    static constexpr int keptNotes = 20;

    AutoRefresh(Ticker &ticker, BoxUpWatch boxUp, QList<std::function<void()>> queries,
                QObject *parent = nullptr);

    // 0 turns it off. Any other value times the first round from now.
    void setInterval(int seconds);
    int interval() const { return m_seconds; }
    bool running() const { return m_inRound; }
    // Runs `work` with its boxes held as a round's are: an unattended start's queries.
    void holdBoxesOf(const std::function<void()> &work);
    // The boxes the last round held, and the last keptNotes of the whole run, oldest first.
    int heldInLastRound() const { return m_heldInLastRound; }
    const QList<HeldBox> &notes() const { return m_notes; }

signals:
    void intervalChanged(int seconds);
    // A round ran all its queries.
    void roundEnded();

private:
    void fire();
    void schedule();

    Ticker &m_ticker;
    BoxUpWatch m_boxUp;
    QList<std::function<void()>> m_queries;
    int m_seconds = 0;
    bool m_inRound = false;
    int m_heldInLastRound = 0;
    QList<HeldBox> m_notes;
};

} // namespace morvain
