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
#include "wire_field.h"

#include <QAbstractButton>
#include <QApplication>
#include <QByteArray>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QStringList>
#include <QTest>

#include <algorithm>
#include <tuple>

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

// Every page test's cleanup: a test that opens a window closes it again.
inline void verifyNoWindowLeftOpen()
{
    for (QWidget *w : QApplication::topLevelWidgets())
        QVERIFY2(!w->isVisible(), qPrintable(w->objectName() + " left open"));
}

// A reply's fields as _data rows: one a field, tagged with its name, with offset and width.
inline void addFieldRows(const QList<std::tuple<const char *, int, int>> &rows)
{
    QTest::addColumn<int>("offset");
    QTest::addColumn<int>("width");
    for (const auto &[name, offset, width] : rows)
        QTest::newRow(name) << offset << width;
}

// The field the current row names stands at the row's offset with the row's width.
template <std::size_t N> void compareFieldAtRow(const std::array<wire::Field, N> &fields)
{
    QFETCH(int, offset);
    QFETCH(int, width);
    const wire::Field &f = wire::find(fields, QTest::currentDataTag());
    QCOMPARE(f.offset, offset);
    QCOMPARE(f.width, width);
}

// A tab's captions as _data rows: one a control, tagged with its object name.
inline void addCaptionRows(const QList<std::pair<const char *, const char *>> &rows)
{
    QTest::addColumn<QString>("control");
    QTest::addColumn<QString>("caption");
    for (const auto &[control, caption] : rows)
        QTest::newRow(control) << control << caption;
}

// The control the current row names reads the row's caption, and the tab's header button
// is off before any query.
inline void compareCaptionAtRow(const QWidget &page, const char *headerButton)
{
    QFETCH(QString, control);
    QFETCH(QString, caption);
    QCOMPARE(test::caption(test::control(page, control)), caption);
    QVERIFY(!test::control(page, headerButton)->isEnabled());
}

// A table of `slotCount` slots: full with its closing reply, and one past it.
inline void addTableLimitRows(int slotCount)
{
    QTest::addColumn<int>("objects");
    QTest::addColumn<bool>("ends");
    // Each query stores its closing reply too.
    QTest::addRow("%d and the closing reply", slotCount - 1) << slotCount - 1 << false;
    QTest::addRow("%d and the closing reply", slotCount) << slotCount << true;
}

// The one box the program shows as it ends on a table past its last slot.
inline void verifyEndedOnFullTable(const RecordingPresenter &presenter)
{
    QCOMPARE(presenter.shown.size(), 1);
    QCOMPARE(presenter.shown.at(0).first, QStringLiteral("Morvain Service"));
    QCOMPARE(presenter.shown.at(0).second,
             QStringLiteral("Error no. 9 has occured...Probable cause: Net-work not "
                            "started...exiting"));
}

// The one header dialog is open, and its box `name` reads `expected`.
inline void verifyHeaderBox(const TestHeaderHost &host, const char *name, const QString &expected)
{
    QVERIFY(host.dialog && host.dialog->isVisible());
    QCOMPARE(host.dialog->findChild<QLineEdit *>(name)->text(), expected);
}

// The program holds one header dialog, however often its tabs showed one.
inline void verifyOneHeaderDialog()
{
    const auto windows = QApplication::topLevelWidgets();
    QCOMPARE(std::count_if(windows.begin(), windows.end(),
                           [](QWidget *w) { return qobject_cast<FrmHeader *>(w) != nullptr; }),
             1);
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

// A tab on the cycle with its own model, and its controls found by object name.
template <class Model, class Page, class View = RecordingView> struct PageRig : CycleRig<View> {
    Model model;
    Page page{this->context(), model};

    template <class W = QWidget> W *find(const QString &name) const
    {
        return control<W>(page, name);
    }
    QString text(const QString &name) const { return find<QLineEdit>(name)->text(); }
};

} // namespace morvain::test
