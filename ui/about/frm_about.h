#pragma once
// frmAbout: the program's title, version and purpose, and a way to the system
// information program. Not modal; it deletes itself when closed, so each "A&bout" builds
// a fresh one, while one that is open is only brought to the front. OK, Enter and Esc all
// close it.

#include <QDialog>
#include <QString>

#include <memory>

namespace Ui
{
class FrmAbout;
}

namespace morvain
{

class ConfigStore;

// "Version 1.0.0" from the program's version numbers.
QString versionLine(int major, int minor, int revision);

class FrmAbout : public QDialog
{
    Q_OBJECT
public:
    // store: where "&System Info..." looks; nullptr means the system's own.
    explicit FrmAbout(QWidget *parent = nullptr, ConfigStore *store = nullptr);
    ~FrmAbout() override;

    // "A&bout": shows the box that is open, in front, or builds and shows a new one.
    static FrmAbout *showOne(QWidget *parent, ConfigStore *store = nullptr);

    // Caption and version line; run by the constructor.
    void Form_Load();
    void cmdOK_Click();
    void cmdSysInfo_Click();

protected:
    // Esc presses OK.
    void reject() override;

private:
    std::unique_ptr<Ui::FrmAbout> ui;
    ConfigStore *m_store;
};

} // namespace morvain
