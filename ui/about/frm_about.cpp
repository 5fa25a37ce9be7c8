#include "frm_about.h"

#include "config_store.h"
#include "dialogs.h"
#include "splash/artwork.h"
#include "sys_info.h"
#include "ui_frm_about.h"

#include <QPointer>

namespace morvain
{

QString versionLine(int major, int minor, int revision)
{
    return QStringLiteral("Version %1.%2.%3").arg(major).arg(minor).arg(revision);
}

FrmAbout::FrmAbout(QWidget *parent, ConfigStore *store)
    : QDialog(parent), ui(std::make_unique<Ui::FrmAbout>()),
      m_store(store ? store : &systemConfigStore())
{
    ui->setupUi(this);
    setFixedSize(size());
    setModal(false);
    setAttribute(Qt::WA_DeleteOnClose);
    ui->picIcon->setPixmap(artwork::emblem());
    connect(ui->cmdOK, &QPushButton::clicked, this, &FrmAbout::cmdOK_Click);
    connect(ui->cmdSysInfo, &QPushButton::clicked, this, &FrmAbout::cmdSysInfo_Click);
    Form_Load();
}

FrmAbout::~FrmAbout() = default;

FrmAbout *FrmAbout::showOne(QWidget *parent, ConfigStore *store)
{
    // A box that was closed is hidden at once but deleted only later: build a new one then.
    static QPointer<FrmAbout> open;
    if (!open || !open->isVisible())
        open = new FrmAbout(parent, store);
    open->show();
    open->raise();
    open->activateWindow();
    return open;
}

void FrmAbout::Form_Load()
{
    setWindowTitle(QStringLiteral("About ") + dialogs::applicationTitle);
    ui->lblVersion->setText(
        versionLine(MORVAIN_VERSION_MAJOR, MORVAIN_VERSION_MINOR, MORVAIN_VERSION_PATCH));
}

void FrmAbout::cmdOK_Click()
{
    // done() closes the box and, with WA_DeleteOnClose, deletes it.
    QDialog::accept();
}

void FrmAbout::cmdSysInfo_Click()
{
    StartSysInfo(*m_store);
}

void FrmAbout::reject()
{
    cmdOK_Click();
}

} // namespace morvain
