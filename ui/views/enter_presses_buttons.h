#pragma once
// Enter and Return press the focused push button of a page, as Space does. Qt gives
// buttons that key only inside dialogs; the tabs are plain widgets.

#include <QObject>

class QWidget;

namespace morvain
{

class EnterPressesButtons : public QObject
{
    Q_OBJECT
public:
    // Watches every push button under `root` that exists now.
    static void install(QWidget *root);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    using QObject::QObject;
};

} // namespace morvain
