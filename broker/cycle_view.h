#pragma once
// What the call cycle shows the user. The main window implements it; tests record it.

#include <QString>

namespace morvain
{

class CycleView
{
public:
    virtual ~CycleView() = default;
    // Second panel of the status bar: the broker's error text, up to its first zero byte.
    virtual void showStatusMessage(const QString &text) = 0;
    // The message row (txterror) of the header dialog, which is created hidden if needed.
    virtual void showHeaderMessage(const QString &text) = 0;
    // A modal "Broker Message" box with an OK button; returns when the user closes it.
    virtual void brokerMessage(const QString &text) = 0;
};

} // namespace morvain
