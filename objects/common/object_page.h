#pragma once
// What the main window and the operator views need of every object tab, whatever its
// kind: its query handler, its model, and the boxes it shows an object in.

#include "object_model.h"

#include <QHash>
#include <QLineEdit>
#include <QString>
#include <QWidget>

namespace morvain
{

class ObjectPage : public QWidget
{
    Q_OBJECT
public:
    using QWidget::QWidget;

    // The tab's "Call Broker" / "Refresh" handler.
    virtual void callBroker() = 0;
    virtual ObjectModel &objectModel() = 0;
    // The box of each field this tab shows, for views that mark values.
    virtual QHash<QString, QLineEdit *> fieldBoxes() const = 0;

signals:
    // Stored object z is now on the tab (the program's or the user's selection).
    void objectShown(int z);
};

} // namespace morvain
