#pragma once
// "Broker Configuration": edits the identity in "Broker.cfg". Not modal. Cancel (or Close,
// after a save) only hides it, so it keeps its texts and caption; closing it through its
// frame unloads it, and the next "&Configure" builds it afresh from the file.

#include "control_block.h"

#include <QDialog>

#include <functional>
#include <memory>

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

protected:
    void closeEvent(QCloseEvent *event) override;
    void reject() override; // Esc acts as Cancel: hide, stay loaded

private:
    std::unique_ptr<Ui::FrmConfig> ui;
    std::function<void(const Identity &)> m_applyIdentity;
    Identity m_loaded; // the fields as last read from the file
};

} // namespace morvain
