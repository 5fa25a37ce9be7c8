#include "accessible_names.h"

#include <QBoxLayout>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>

namespace morvain
{

namespace
{

bool isValueBox(const QWidget *w)
{
    return qobject_cast<const QLineEdit *>(w) || qobject_cast<const QComboBox *>(w);
}

QString spoken(const QLabel *label)
{
    QString text = label->text();
    text.remove(QLatin1Char('&'));
    text = text.trimmed();
    if (text.endsWith(QLatin1Char(':')))
        text.chop(1);
    return text;
}

void name(QWidget *box, QLabel *label)
{
    if (!label || !box->accessibleName().isEmpty())
        return;
    QString text = spoken(label);
    if (text.isEmpty())
        return;
    for (QWidget *up = box->parentWidget(); up; up = up->parentWidget())
        if (auto *frame = qobject_cast<QGroupBox *>(up)) {
            if (!frame->title().isEmpty())
                text = frame->title() + QStringLiteral(": ") + text;
            break;
        }
    box->setAccessibleName(text);
    if (!label->buddy())
        label->setBuddy(box);
}

// The label nearest to the box's left in the same row of a grid.
QLabel *labelBeside(QGridLayout *grid, int row, int column)
{
    for (int c = column - 1; c >= 0; --c)
        if (QLayoutItem *item = grid->itemAtPosition(row, c))
            if (auto *label = qobject_cast<QLabel *>(item->widget()))
                return label;
    return nullptr;
}

void visit(QLayout *layout)
{
    if (!layout)
        return;
    auto *grid = qobject_cast<QGridLayout *>(layout);
    QLabel *before = nullptr; // in a row or column of widgets: the label just before
    for (int i = 0; i < layout->count(); ++i) {
        QLayoutItem *item = layout->itemAt(i);
        if (item->layout()) {
            visit(item->layout());
            continue;
        }
        QWidget *w = item->widget();
        if (!w)
            continue;
        if (isValueBox(w)) {
            if (grid) {
                int row = 0, column = 0, rows = 0, columns = 0;
                grid->getItemPosition(i, &row, &column, &rows, &columns);
                name(w, labelBeside(grid, row, column));
            } else {
                name(w, before);
            }
        }
        before = qobject_cast<QLabel *>(w);
        if (w->layout())
            visit(w->layout());
    }
}

} // namespace

void nameValueBoxes(QWidget *form)
{
    visit(form->layout());
}

} // namespace morvain
