#include "frm_header.h"

#include "accessible_names.h"
#include "decimal.h"
#include "ui_frm_header.h"

namespace morvain
{

FrmHeader::FrmHeader() : QDialog(nullptr), ui(std::make_unique<Ui::FrmHeader>())
{
    ui->setupUi(this);
    nameValueBoxes(this);
    setModal(false);
    connect(ui->cmdOK, &QPushButton::clicked, this, &FrmHeader::cmdOK_Click);
}

FrmHeader::~FrmHeader() = default;

void FrmHeader::fill(const ReplyHeader &h)
{
    ui->txtHerror_code->setText(decimal(h.error_code));
    ui->txtHtotal_num_objects->setText(decimal(h.total_num_objects));
    ui->txtHcurrent_num_objects->setText(decimal(h.current_num_objects));
    ui->txtHmax_sc_len->setText(decimal(h.max_sc_len));
    ui->txtHmax_sn_len->setText(decimal(h.max_sn_len));
    ui->txtHmax_sv_len->setText(decimal(h.max_sv_len));
    ui->txtHmax_uid_len->setText(decimal(h.max_uid_len));
    ui->txtHmax_tk_len->setText(decimal(h.max_tk_len));
}

void FrmHeader::present()
{
    show();
    raise();
}

void FrmHeader::setMessage(const QString &text)
{
    ui->txterror->setText(text);
}

void FrmHeader::cmdOK_Click()
{
    hide();
}

} // namespace morvain
