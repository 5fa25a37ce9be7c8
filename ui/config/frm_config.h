#pragma once
// "Broker Configuration": edits the identity in "Broker.cfg". Not modal. Cancel (or Close,
// after a save) only hides it, so it keeps its texts and caption; closing it through its
// frame unloads it, and the next "&Configure" builds it afresh from the file.
// Each value holds 32 characters: a note under the frame says when a box holds more, so
// that no typed text is cut on Save without a word, and after a Save the boxes show what
// was saved.

#include "control_block.h"

#include <QDialog>
#include <QList>
#include <QPair>

#include <functional>
#include <memory>

class QLabel;
class QLineEdit;

class QComboBox;

namespace Ui
{
class FrmConfig;
}

namespace morvain
{

class FrmConfig : public QDialog
{
    Q_OBJECT
public:
    // applyIdentity puts saved values into the control block at once.
    FrmConfig(std::function<void(const Identity &)> applyIdentity, QWidget *parent = nullptr);
    ~FrmConfig() override;

    void Form_Load();
    void cmdSave_Click();
    void cmdCancel_Click();
    // The broker ID box takes `name`, as if picked from the list beside it.
    void pickBroker(const QString &name);

    // What the note under the frame says: which values do not fit their 32 characters and
    // would be cut on Save, or which were cut by the last Save. Empty when all fit.
    QString fitNote() const;

protected:
    void closeEvent(QCloseEvent *event) override;
    void showEvent(QShowEvent *event) override; // the names beside the broker ID, afresh
    void reject() override;                     // Esc acts as Cancel: hide, stay loaded

private:
    QList<QPair<QLabel *, QLineEdit *>> labelledBoxes() const;
    void showFields();
    void showFit();

    std::unique_ptr<Ui::FrmConfig> ui;
    QLabel *m_fit = nullptr;
    QComboBox *m_known = nullptr; // named brokers and scenarios, beside the broker ID
    QString m_cutBySave;          // the values the last Save cut, named
    std::function<void(const Identity &)> m_applyIdentity;
    Identity m_loaded; // the fields as last read from the file
};

} // namespace morvain
