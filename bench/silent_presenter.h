#pragma once
// The benches expect no box: one that comes anyway is reported on stderr, and the end of
// the program ends the bench with its status.

#include "dialogs.h"

#include <QTextStream>

#include <cstdlib>

namespace morvain::bench
{

class SilentPresenter : public dialogs::Presenter
{
public:
    void message(const QString &title, const QString &text) override
    {
        QTextStream(stderr) << "unexpected box: " << title << ": " << text << "\n";
    }
    void endProgram(int status) override { std::exit(status); }
};

} // namespace morvain::bench
