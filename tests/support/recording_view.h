#pragma once
// Records what the call cycle would have shown, in order.

#include "cycle_view.h"

#include <QStringList>

namespace morvain::test
{

class RecordingView : public CycleView
{
public:
    QStringList status, header, boxes;
    QStringList events; // "status:…", "header:…", "box:…" in the order they happened

    void showStatusMessage(const QString &text) override
    {
        status << text;
        events << "status:" + text;
    }
    void showHeaderMessage(const QString &text) override
    {
        header << text;
        events << "header:" + text;
    }
    void brokerMessage(const QString &text) override
    {
        boxes << text;
        events << "box:" + text;
    }
};

} // namespace morvain::test
