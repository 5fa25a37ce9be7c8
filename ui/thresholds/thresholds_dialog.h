#pragma once
// View > Thresholds...: the rules of the rules file as a table to edit, one rule a row
// (name, kind, field, rate, comparison, value, match, severity), and the choice of desktop
// notifications. Save writes the file whole or not at all and loads it again; entries the
// file had that were refused, and keys beside the rules, are written back untouched.

#include "breach_watch.h"
#include "field_legend.h"

#include <QDialog>
#include <QJsonArray>
#include <QJsonObject>

class QCheckBox;
class QLabel;
class QPushButton;
class QTableWidget;

namespace morvain
{

class ThresholdsDialog : public QDialog
{
    Q_OBJECT
public:
    ThresholdsDialog(BreachWatch &watch, QWidget *parent = nullptr);

    // Reads the rules file again into the table.
    void reload();
    // Writes the table to the rules file; false, with the reason shown, when it did not.
    bool save();
    void addRule(const thresholds::Rule &rule);
    // The field lists say each field's caption and unit on `source`'s broker beside its
    // name; the rules keep the name.
    void setSource(BrokerSource source);

signals:
    void notifyToggled(bool on);

private:
    void setKind(int row, const QString &kind);
    std::optional<thresholds::Rule> ruleAt(int row, QString &wrong) const;
    void showNote(const QString &text);

    BreachWatch &m_watch;
    QStringList m_kinds; // in tab order
    BrokerSource m_source = BrokerSource::Demo;
    thresholds::KindFields m_fields;
    QJsonObject m_keptTop;     // the file's keys beside the rules
    QJsonArray m_keptRefused;  // the file's entries that were refused
    bool m_unreadable = false; // the file is there but is not a rules file
    QTableWidget *m_table = nullptr;
    QCheckBox *m_notify = nullptr;
    QLabel *m_note = nullptr;
    QPushButton *m_save = nullptr;
};

} // namespace morvain
