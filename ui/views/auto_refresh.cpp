#include "auto_refresh.h"

#include "dialogs.h"

#include <QDateTime>
#include <QTimer>

#include <memory>

namespace morvain
{

namespace
{

class EventLoopTicker : public Ticker
{
public:
    EventLoopTicker()
    {
        m_timer.setSingleShot(true);
        QObject::connect(&m_timer, &QTimer::timeout, &m_timer, [this] {
            // A copy: the call may start the timer again and replace m_fire.
            const std::function<void()> fire = m_fire;
            if (fire)
                fire();
        });
    }
    void startOnce(int msecs, std::function<void()> fire) override
    {
        m_timer.stop();
        m_fire = std::move(fire);
        m_timer.start(msecs);
    }
    void cancel() override { m_timer.stop(); }

private:
    QTimer m_timer;
    std::function<void()> m_fire;
};

} // namespace

std::unique_ptr<Ticker> makeEventLoopTicker()
{
    return std::make_unique<EventLoopTicker>();
}

AutoRefresh::AutoRefresh(Ticker &ticker, BoxUpWatch boxUp, QList<std::function<void()>> queries,
                         QObject *parent)
    : QObject(parent), m_ticker(ticker), m_boxUp(std::move(boxUp)), m_queries(std::move(queries))
{
}

void AutoRefresh::setInterval(int seconds)
{
    m_seconds = seconds > 0 ? seconds : 0;
    // A round in progress times the next one itself when it ends.
    if (!m_inRound) {
        if (m_seconds > 0)
            schedule();
        else
            m_ticker.cancel();
    }
    emit intervalChanged(m_seconds);
}

void AutoRefresh::schedule()
{
    m_ticker.startOnce(m_seconds * 1000, [this] { fire(); });
}

void AutoRefresh::holdBoxesOf(const std::function<void()> &work)
{
    m_heldInLastRound = 0;
    const dialogs::BoxHold hold([this](const QString &title, const QString &text) {
        ++m_heldInLastRound;
        m_notes.append({QDateTime::currentMSecsSinceEpoch(), title, text});
        if (m_notes.size() > keptNotes)
            m_notes.removeFirst();
    });
    work();
}

void AutoRefresh::fire()
{
    if (m_seconds == 0 || m_inRound)
        return; // a round in progress times the next one when it ends
    if (m_boxUp && m_boxUp()) {
        schedule(); // try again a whole interval later: the box may stay up for long
        return;
    }
    m_inRound = true;
    holdBoxesOf([this] {
        for (const auto &query : std::as_const(m_queries))
            query();
    });
    m_inRound = false;
    emit roundEnded();
    if (m_seconds > 0)
        schedule();
}

} // namespace morvain
