#include "recording_presenter.h"

namespace morvain::test
{

RecordingPresenter::RecordingPresenter() : m_previous(dialogs::installPresenter(this)) {}

RecordingPresenter::~RecordingPresenter()
{
    dialogs::installPresenter(m_previous);
}

QStringList RecordingPresenter::texts() const
{
    QStringList out;
    for (const auto &box : shown)
        out << box.second;
    return out;
}

void RecordingPresenter::message(const QString &title, const QString &text)
{
    shown.append({title, text});
}

void RecordingPresenter::endProgram(int status)
{
    ++endings;
    throw ProgramEnded{status};
}

} // namespace morvain::test
