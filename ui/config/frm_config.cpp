#include "frm_config.h"

#include "config_file.h"
#include "ui_frm_config.h"

#include <QCloseEvent>

namespace morvain
{

FrmConfig::FrmConfig(std::function<void(const Identity &)> applyIdentity, QWidget *parent)
    : QDialog(parent), ui(std::make_unique<Ui::FrmConfig>()),
      m_applyIdentity(std::move(applyIdentity))
{
    ui->setupUi(this);
    setModal(false);
    connect(ui->cmdSave, &QPushButton::clicked, this, &FrmConfig::cmdSave_Click);
    connect(ui->cmdCancel, &QPushButton::clicked, this, &FrmConfig::cmdCancel_Click);
    Form_Load();
}

FrmConfig::~FrmConfig() = default;

void FrmConfig::Form_Load()
{
    const ConfigRecord record = readConfigOrEnd();
    // A text box ends at the first zero byte, so a field never written shows empty and
    // saves as blanks.
    const auto shown = [](const QString &field) { return field.left(field.indexOf(QChar(0))); };
    const Identity id = identityOf(record);
    ui->txtUser_id->setText(shown(id.userId));
    ui->txtBroker_id->setText(shown(id.brokerId));
    ui->txtServer_class->setText(shown(id.serverClass));
    ui->txtServer_name->setText(shown(id.serverName));
    ui->txtService->setText(shown(id.service));
}

void FrmConfig::cmdSave_Click()
{
    const ConfigRecord record =
        recordOf({ui->txtUser_id->text(), ui->txtBroker_id->text(), ui->txtServer_class->text(),
                  ui->txtServer_name->text(), ui->txtService->text()});
    writeConfigOrEnd(record);
    m_applyIdentity(identityOf(record));
    ui->cmdCancel->setText(QStringLiteral("Close"));
}

void FrmConfig::cmdCancel_Click()
{
    hide();
}

void FrmConfig::reject()
{
    cmdCancel_Click();
}

void FrmConfig::closeEvent(QCloseEvent *event)
{
    event->accept();
    deleteLater();
}

} // namespace morvain
