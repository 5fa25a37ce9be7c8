#pragma once
// "Header Information": the eight numbers of a reply's header and the broker's last
// message. One dialog for the whole program, shown without being modal and without an
// owner; OK (or its frame's close box) only hides it, so it keeps its values and takes
// the next fill.

#include "reply_header.h"

#include <QDialog>
#include <memory>

namespace Ui
{
class FrmHeader;
}

namespace morvain
{

class FrmHeader : public QDialog
{
    Q_OBJECT
public:
    FrmHeader();
    ~FrmHeader() override;

    // Writes the eight boxes in header order; leaves the message row alone.
    void fill(const ReplyHeader &header);
    // Shows it without making it modal; a dialog already open stays open and comes forward.
    void present();
    // txterror: the error text of the last broker or worker query.
    void setMessage(const QString &text);

    void cmdOK_Click();

private:
    std::unique_ptr<Ui::FrmHeader> ui;
};

} // namespace morvain
