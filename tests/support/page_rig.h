#pragma once
// What every page test sets up: recorded boxes, a scripted Broker, a recording cycle view,
// the call cycle and a header dialog host; and small readers for controls and records.

#include "fake_entry_point.h"
#include "info_cycle.h"
#include "page_context.h"
#include "recording_presenter.h"
#include "recording_view.h"
#include "test_header_host.h"
#include "text_list.h"

#include <QAbstractButton>
#include <QByteArray>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QStringList>

namespace morvain::test
{

// A control by object name; a missing one ends the test run at once with its name.
template <class W = QWidget> W *control(const QObject &parent, const QString &name)
{
    auto *w = parent.findChild<W *>(name);
    if (!w)
        qFatal("no control %s", qPrintable(name));
    return w;
}

inline QStringList entries(const QComboBox *combo)
{
    QStringList out;
    for (int i = 0; i < combo->count(); ++i)
        out << combo->itemText(i);
    return out;
}

inline QStringList entries(const TextList *list)
{
    return list->entries();
}

// What a person reads on a frame, a button or a label.
inline QString caption(const QWidget *w)
{
    if (auto *frame = qobject_cast<const QGroupBox *>(w))
        return frame->title();
    if (auto *button = qobject_cast<const QAbstractButton *>(w))
        return button->text();
    if (auto *label = qobject_cast<const QLabel *>(w))
        return label->text();
    return QStringLiteral("<%1 has no caption>").arg(w->objectName());
}

// A record's wire bytes, as a scripted Broker answers them.
template <class R> QByteArray raw(const R &r)
{
    return QByteArray(reinterpret_cast<const char *>(r.data()), R::size);
}

// The cycle view that also writes the header dialog's message row, as the main window does.
class HeaderForwardingView : public RecordingView
{
public:
    explicit HeaderForwardingView(HeaderHost &host) : m_host(host) {}
    void showHeaderMessage(const QString &text) override
    {
        RecordingView::showHeaderMessage(text);
        m_host.headerDialog().setMessage(text);
    }

private:
    HeaderHost &m_host;
};

template <class View = RecordingView> struct CycleRig {
    RecordingPresenter presenter;
    FakeEntryPoint fake;
    TestHeaderHost host;
    View view = makeView();
    InfoCycle cycle{fake, view};

    CycleRig() { cycle.startUp({}); }
    PageContext context() { return {cycle, host}; }

private:
    View makeView()
    {
        if constexpr (std::is_constructible_v<View, HeaderHost &>)
            return View(host);
        else
            return View();
    }
};

} // namespace morvain::test
