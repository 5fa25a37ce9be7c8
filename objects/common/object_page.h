#pragma once
// What the main window and the operator views need of every object tab, whatever its
// kind: its query handler, its model, and the boxes it shows an object in.

#include "object_model.h"

#include <QComboBox>
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
    explicit ObjectPage(QWidget *parent = nullptr);

    // The tab's "Call Broker" / "Refresh": the first entry selected, as ever.
    virtual void callBroker() = 0;
    // The query of an auto-refresh round: a tab that lists objects selects again the one it
    // showed, found by its key, when the new replies still hold it; else the first, as
    // callBroker() does. An operator watching one queue must not lose it every round.
    void refreshKeepingSelection();
    virtual ObjectModel &objectModel() = 0;
    // The box of each field this tab shows, for views that mark values.
    virtual QHash<QString, QLineEdit *> fieldBoxes() const = 0;

    // The key of the object the tab shows now; empty before the first.
    const QString &shownKey() const { return m_shownKey; }

signals:
    // Stored object z is now on the tab (the program's or the user's selection).
    void objectShown(int z);

protected:
    // While refreshKeepingSelection() runs: the key to select again; empty otherwise.
    const QString &keptKey() const { return m_keptKey; }
    // Lists `keys` in `ids` with its handlers quiet, the kept key's entry current, else the
    // first; false when there is none.
    bool listKeys(QComboBox *ids, const QStringList &keys) const;

private:
    QString m_shownKey;
    QString m_keptKey;
};

} // namespace morvain
