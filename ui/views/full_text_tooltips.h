#pragma once
// Tooltips with the full text wherever a tab may clip one: boxes narrower than their
// text, and list entries. A box whose value changed since the query before
// also carries a note (the value before, the change per second), shown with it; a box's
// own tooltip (what its field is) comes last.
// Works on any page without its help: it watches the page's boxes and lists.

#include <QObject>
#include <QPoint>
#include <QString>

class QWidget;
class QLineEdit;

namespace morvain
{

class FullTextToolTips : public QObject
{
    Q_OBJECT
public:
    // Watches the boxes and lists under `root` that exist now.
    static void install(QWidget *root);

    // The note shown with a box's tooltip; empty removes it.
    static void setNote(QLineEdit *box, const QString &note);
    static QString note(const QLineEdit *box);

    // What the tooltip at `pos` (in `watched`'s coordinates) says; empty for none.
    static QString textAt(QWidget *watched, QPoint pos);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    using QObject::QObject;
};

} // namespace morvain
