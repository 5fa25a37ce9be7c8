#include "enter_presses_buttons.h"

#include <QKeyEvent>
#include <QPushButton>

namespace morvain
{

void EnterPressesButtons::install(QWidget *root)
{
    auto *filter = new EnterPressesButtons(root);
    for (QPushButton *button : root->findChildren<QPushButton *>())
        button->installEventFilter(filter);
}

bool EnterPressesButtons::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() != QEvent::KeyPress)
        return false;
    const auto *key = static_cast<QKeyEvent *>(event);
    if ((key->key() != Qt::Key_Return && key->key() != Qt::Key_Enter) ||
        (key->modifiers() & ~Qt::KeypadModifier))
        return false;
    auto *button = qobject_cast<QPushButton *>(watched);
    if (!button || !button->isEnabled())
        return false;
    button->click(); // the same clicked() the mouse and Space give
    return true;
}

} // namespace morvain
