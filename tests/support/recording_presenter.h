#pragma once
// Installs itself as the presenter of every modal box and of the end of the program:
// boxes are recorded, and the end throws ProgramEnded so that the handler unwinds and
// the test sees exactly which steps ran.

#include "dialogs.h"

#include <QList>
#include <QPair>
#include <QStringList>

namespace morvain::test
{

// Deliberately not a std::exception: no failure path of the program may catch it.
struct ProgramEnded {
    int status;
};

class RecordingPresenter : public dialogs::Presenter
{
public:
    RecordingPresenter();
    ~RecordingPresenter() override;

    QList<QPair<QString, QString>> shown; // (title, text) of every box
    QStringList texts() const;
    int endings = 0;

    void message(const QString &title, const QString &text) override;
    void endProgram(int status) override;

private:
    dialogs::Presenter *m_previous;
};

} // namespace morvain::test
