#pragma once
// Boxes go nowhere, and the end of the program unwinds as Ended instead of exiting, so a
// fuzzer survives every input the program would stop on.

#include "dialogs.h"

#include <QApplication>
#include <QByteArray>
#include <QDir>
#include <QTemporaryDir>

namespace morvain::fuzz
{

struct Ended {
};

class QuietPresenter : public dialogs::Presenter
{
public:
    void message(const QString &, const QString &) override {}
    void endProgram(int) override { throw Ended{}; }
};

// The fuzzers' start: an offscreen application and the quiet presenter, both living as
// long as the fuzzer, in a fresh working folder of their own (where "Broker.cfg" goes).
inline void startQuietly(int *argc, char ***argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    new QApplication(*argc, *argv);
    static QuietPresenter presenter;
    dialogs::installPresenter(&presenter);
    static QTemporaryDir workdir;
    QDir::setCurrent(workdir.path());
}

} // namespace morvain::fuzz
