#pragma once
// Boxes go nowhere, and the end of the program unwinds as Ended instead of exiting, so a
// fuzzer survives every input the program would stop on.

#include "dialogs.h"

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

} // namespace morvain::fuzz
