#pragma once
// Every modal box and every end of the program pass through here, so that tests can
// install a recorder instead of real boxes and an end that unwinds instead of exiting.

#include <QString>

#include <functional>

namespace morvain::dialogs
{

inline const QString applicationTitle = QStringLiteral("Morvain Service");

class Presenter
{
public:
    virtual ~Presenter() = default;
    // A modal box with an OK button only and no icon; returns when it is closed.
    virtual void message(const QString &title, const QString &text) = 0;
    // Ends the program at once: every window goes, no further handler runs.
    // Must not return.
    virtual void endProgram(int status) = 0;
};

// nullptr puts the real boxes and the real end back. Returns the one it replaces.
Presenter *installPresenter(Presenter *presenter);

void message(const QString &title, const QString &text);

// While a hold is in force, message() puts up no box and hands each one to the hold's sink
// instead: nobody is there to click during an unattended round, and a box must not stop
// it. The box of the failure path is never held. Holds nest; the innermost takes the boxes.
class BoxHold
{
public:
    using Sink = std::function<void(const QString &title, const QString &text)>;
    explicit BoxHold(Sink sink);
    ~BoxHold();
    BoxHold(const BoxHold &) = delete;
    BoxHold &operator=(const BoxHold &) = delete;

private:
    Sink m_sink;
    BoxHold *m_outer;
    friend void message(const QString &title, const QString &text);
};

// A box passed through message() is on the screen now (its nested event loop runs).
bool boxUp();
[[noreturn]] void endProgram(int status);

// "Error no. N has occured...Probable cause: Net-work not started...exiting"
QString failureText(int number);
// The query failure path: the box, titled with the application's title, then the end.
[[noreturn]] void fatal(int number);
// A failure outside any query (the configuration file): its own text, then the end.
[[noreturn]] void fatalMessage(const QString &text);

} // namespace morvain::dialogs
