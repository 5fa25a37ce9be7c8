#pragma once
// The benches expect no box: one that comes anyway is reported on stderr, and the end of
// the program ends the bench with its status. It presents every box while it lives.

#include "dialogs.h"

#include <QDir>
#include <QFile>
#include <QTextStream>

#include <cstdlib>

namespace morvain::bench
{

class SilentPresenter : public dialogs::Presenter
{
public:
    SilentPresenter() { dialogs::installPresenter(this); }
    ~SilentPresenter() override { dialogs::installPresenter(nullptr); }
    SilentPresenter(const SilentPresenter &) = delete;
    SilentPresenter &operator=(const SilentPresenter &) = delete;

    void message(const QString &title, const QString &text) override
    {
        QTextStream(stderr) << "unexpected box: " << title << ": " << text << "\n";
    }
    void endProgram(int status) override { std::exit(status); }
};

// Makes `folder` the working folder, with a "Broker.cfg" naming `brokerId`, a scenario of
// bench/scenarios.
inline void workIn(const QString &folder, const char *brokerId)
{
    qputenv("OSTRANE_SCENARIO_DIR", BENCH_SCENARIO_DIR);
    QDir::setCurrent(folder);
    QFile cfg(QStringLiteral("Broker.cfg"));
    if (!cfg.open(QIODevice::WriteOnly | QIODevice::Truncate))
        std::exit(1);
    cfg.write(QByteArray(32, ' ') + QByteArray(brokerId).leftJustified(128, ' '));
}

} // namespace morvain::bench
