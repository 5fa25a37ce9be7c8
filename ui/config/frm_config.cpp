#include "frm_config.h"

#include "config_file.h"
#include "ui_frm_config.h"

#include <QCloseEvent>

namespace morvain
{

namespace
{

// A text box ends at the first zero byte, so a field never written shows empty and saves as
// blanks.
QString shown(const QString &field)
{
    return field.left(field.indexOf(QChar(0)));
}

// A field with bytes after a zero byte cannot be shown whole; as long as its box still
// holds what was shown, the field is saved as it was read, every byte kept.
QString saved(const QString &typed, const QString &stored)
{
    const qsizetype zero = stored.indexOf(QChar(0));
    const bool hiddenBytes = zero >= 0 && stored.mid(zero).count(QChar(0)) != stored.size() - zero;
    return hiddenBytes && typed == shown(stored) ? stored : typed;
}

} // namespace

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
    m_loaded = identityOf(readConfigOrEnd());
    ui->txtUser_id->setText(shown(m_loaded.userId));
    ui->txtBroker_id->setText(shown(m_loaded.brokerId));
    ui->txtServer_class->setText(shown(m_loaded.serverClass));
    ui->txtServer_name->setText(shown(m_loaded.serverName));
    ui->txtService->setText(shown(m_loaded.service));
}

void FrmConfig::cmdSave_Click()
{
    const ConfigRecord record = recordOf({saved(ui->txtUser_id->text(), m_loaded.userId),
                                          saved(ui->txtBroker_id->text(), m_loaded.brokerId),
                                          saved(ui->txtServer_class->text(), m_loaded.serverClass),
                                          saved(ui->txtServer_name->text(), m_loaded.serverName),
                                          saved(ui->txtService->text(), m_loaded.service)});
    writeConfigOrEnd(record);
    m_loaded = identityOf(record);
    m_applyIdentity(m_loaded);
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
