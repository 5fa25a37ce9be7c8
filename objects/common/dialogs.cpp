#include "dialogs.h"

#include <QMessageBox>

#include <cstdio>
#include <cstdlib>

namespace morvain::dialogs
{

namespace
{

class RealPresenter : public Presenter
{
public:
    void message(const QString &title, const QString &text) override
    {
        QMessageBox box(QMessageBox::NoIcon, title, text, QMessageBox::Ok);
        box.setTextFormat(Qt::PlainText); // a path or a broker's text is never markup
        box.exec();
    }
    void endProgram(int status) override
    {
        // At once: no event loop, no destructors, no handlers of open or hidden windows.
        std::fflush(nullptr);
        std::_Exit(status);
    }
};

RealPresenter realPresenter;
Presenter *current = &realPresenter;
int boxesUp = 0;
BoxHold *innermostHold = nullptr;

// Counts a box as up for as long as message() runs, even when the presenter unwinds.
struct BoxUp {
    BoxUp() { ++boxesUp; }
    ~BoxUp() { --boxesUp; }
    BoxUp(const BoxUp &) = delete;
    BoxUp &operator=(const BoxUp &) = delete;
};

// The box itself, held or not.
void show(const QString &title, const QString &text)
{
    const BoxUp up;
    current->message(title, text);
}

} // namespace

Presenter *installPresenter(Presenter *presenter)
{
    Presenter *previous = current;
    current = presenter ? presenter : &realPresenter;
    return previous;
}

BoxHold::BoxHold(Sink sink) : m_sink(std::move(sink)), m_outer(innermostHold)
{
    innermostHold = this;
}

BoxHold::~BoxHold()
{
    innermostHold = m_outer;
}

void message(const QString &title, const QString &text)
{
    if (!innermostHold)
        return show(title, text);
    // A copy: the sink may start a hold of its own.
    const BoxHold::Sink sink = innermostHold->m_sink;
    if (sink)
        sink(title, text);
}

bool boxUp()
{
    return boxesUp > 0;
}

void endProgram(int status)
{
    current->endProgram(status);
    std::abort(); // a presenter that returns here has broken its promise
}

QString failureText(int number)
{
    // A blank before the number, or its minus sign in the blank's place.
    const QString signedNumber = (number < 0 ? QStringLiteral("-") : QStringLiteral(" ")) +
                                 QString::number(qAbs(qint64(number)));
    return QStringLiteral("Error no.") + signedNumber +
           QStringLiteral(" has occured...Probable cause: Net-work not started...exiting");
}

void fatal(int number)
{
    fatalMessage(failureText(number));
}

void fatalMessage(const QString &text)
{
    // Never held: the program ends when it is closed, so it must be seen.
    show(applicationTitle, text);
    endProgram(1);
}

} // namespace morvain::dialogs
