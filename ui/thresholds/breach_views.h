#pragma once
// How breaches show in the window: the colour of a breached object's row in its table and
// of its breached boxes on its tab (over the change tint, the rule in the tooltip), a dot
// in the tab's title, and a label at the right of the status bar that counts them.

#include "breach_watch.h"

#include <QIcon>
#include <QLabel>

namespace morvain
{

class OperatorViews;

// Lays the watch's breaches over the views' tabs, boxes and tables, and keeps them current.
void showBreaches(BreachWatch &watch, OperatorViews &views);

// A filled dot in the severity's colour.
QIcon breachIcon(thresholds::Severity severity);

// "2 breaches"; its tooltip lists them and what in the rules file was refused. Hidden
// while no rules file is loaded.
class BreachLabel : public QLabel
{
    Q_OBJECT
public:
    explicit BreachLabel(BreachWatch &watch, QWidget *parent = nullptr);

private:
    void refresh();

    BreachWatch &m_watch;
};

} // namespace morvain
