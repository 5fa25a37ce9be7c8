#pragma once
// What showing a pick of the Service tab costs by itself: a copy of the tab's widgets
// (same kinds, places and texts, the lists painted as the tab's are) with no handler and
// no model behind them, changed as a pick changes the real tab, and painted. The real
// pick less this is the program's own work; a limit below it is below what a window of
// these widgets reaches on the same machine.

#include <QList>
#include <QStringList>

#include <memory>

class QLineEdit;
class QWidget;

namespace morvain
{
class TextList;
}

namespace morvain::bench
{

class PaintWatch;

class QtFloor
{
public:
    // Copies `page` (the Service tab) into a window of its own and shows it.
    explicit QtFloor(const QWidget &page);
    ~QtFloor();

    // A Refresh's repaint: the class list emptied and filled with `classes`, the first
    // current, and a single name and service listed under it.
    double refreshMicros(PaintWatch &watch, const QStringList &classes, int rounds);
    // Per pick: each class of `classes` current in turn, last to first, and a new single
    // entry in the name and the service lists.
    double classPickMicros(PaintWatch &watch, const QStringList &classes, int rounds);
    // Per round of two picks between two classes: `names` listed with the first one current
    // and the boxes filled, then every list below the classes and every box emptied.
    double nameListMicros(PaintWatch &watch, const QStringList &names, int rounds);

private:
    void show(int list, const QStringList &entries);

    std::unique_ptr<QWidget> m_window;
    QList<TextList *> m_lists; // classes, names, services, as on the page
    QList<QLineEdit *> m_boxes;
};

} // namespace morvain::bench
