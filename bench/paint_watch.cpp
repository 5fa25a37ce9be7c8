#include "paint_watch.h"

#include "instructions.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QWidget>

namespace morvain::bench
{

PaintWatch::PaintWatch()
{
    QCoreApplication::instance()->installEventFilter(this);
}

PaintWatch::~PaintWatch()
{
    QCoreApplication::instance()->removeEventFilter(this);
}

bool PaintWatch::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::Paint)
        m_painted.insert(watched);
    return false;
}

bool PaintWatch::allPainted(const QList<QWidget *> &changed) const
{
    for (const QWidget *widget : changed) {
        bool seen = false;
        for (const QObject *painted : m_painted)
            if (painted == widget || (painted->isWidgetType() &&
                                      widget->isAncestorOf(static_cast<const QWidget *>(painted))))
                seen = true;
        if (!seen)
            return false;
    }
    return true;
}

bool PaintWatch::run(const std::function<void()> &work, const QList<QWidget *> &changed)
{
    m_painted.clear();
    work();
    QElapsedTimer bound;
    bound.start();
    const qint64 boundMs = underValgrind() ? 120000 : 2000; // callgrind runs some 50 times slower
    // The repaint manager posts its update request; processing it paints every dirty
    // widget of the window in one pass.
    for (int round = 0; round < 1000 && bound.elapsed() < boundMs; ++round) {
        QCoreApplication::processEvents();
        if (allPainted(changed))
            return true;
    }
    ++m_misses;
    return false;
}

bool showAndPaint(QWidget &window)
{
    PaintWatch watch;
    return watch.run([&] { window.show(); }, {&window});
}

} // namespace morvain::bench
