// The main window keeps its 632 by 434 client area: no page may ask for more room than the
// tab control gives it, and what the pages show stays readable at that size.

#include "fake_entry_point.h"
#include "main_window/frm_main.h"
#include "recording_presenter.h"

#include <QComboBox>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>

using namespace morvain;
using namespace morvain::test;

namespace
{

QString sizeText(QSize s)
{
    return QStringLiteral("%1x%2").arg(s.width()).arg(s.height());
}

// Room for a value of `digits` digits plus the box's own frame and text margins.
int boxWidthFor(const QLineEdit &box, int digits)
{
    return box.fontMetrics().horizontalAdvance(QString(digits, u'0')) + 8;
}

} // namespace

class TestMainWindowSize : public QObject
{
    Q_OBJECT
    RecordingPresenter m_boxes; // no real box may block a test
    FakeEntryPoint m_fake;
    FrmMain *m_window = nullptr;
    QTabWidget *m_tabs = nullptr;

private slots:
    void init();
    void cleanup();
    void shownWindow_keepsItsClientArea();
    void page_fitsTheTabControl_data();
    void page_fitsTheTabControl();
    void page_controlsGetAtLeastTheirMinimumSize_data();
    void page_controlsGetAtLeastTheirMinimumSize();
    void page_valueBoxesHoldSevenDigits_data();
    void page_valueBoxesHoldSevenDigits();

private:
    void pageRows();
    QWidget *showPage(int index);
    QSize clientSize() const;
};

void TestMainWindowSize::init()
{
    m_window = new FrmMain(m_fake);
    m_tabs = m_window->findChild<QTabWidget *>("SSTab1");
    QVERIFY(m_tabs);
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window));
}

void TestMainWindowSize::cleanup()
{
    delete m_window;
    m_window = nullptr;
    QVERIFY(m_boxes.shown.isEmpty());
}

void TestMainWindowSize::pageRows()
{
    QTest::addColumn<int>("index");
    QTest::newRow("Broker Object") << 0;
    QTest::newRow("Worker Object") << 1;
    QTest::newRow("Service Object") << 2;
    QTest::newRow("Client/Server") << 3;
    QTest::newRow("Conv Object") << 4;
}

QWidget *TestMainWindowSize::showPage(int index)
{
    m_tabs->setCurrentIndex(index);
    QWidget *page = m_tabs->widget(index);
    QCoreApplication::sendPostedEvents();
    page->layout()->activate();
    return page;
}

QSize TestMainWindowSize::clientSize() const
{
    return {632, m_window->menuBar()->sizeHint().height() + 434};
}

void TestMainWindowSize::shownWindow_keepsItsClientArea()
{
    // GIVEN the window as shown, with every page already in the tab control
    // THEN it keeps the size it asked for: no page pushed it wider or taller.
    QCOMPARE(m_window->size(), clientSize());
}

void TestMainWindowSize::page_fitsTheTabControl_data()
{
    pageRows();
}

void TestMainWindowSize::page_fitsTheTabControl()
{
    QFETCH(int, index);
    QWidget *page = showPage(index);
    // The stack below the tab bar is what every page gets, whichever is in front. A page
    // that asks for more makes the window grow; take that growth off again.
    const QSize area = page->parentWidget()->size() - (m_window->size() - clientSize());
    const QSize needed = page->minimumSizeHint();
    QVERIFY2(needed.width() <= area.width() && needed.height() <= area.height(),
             qPrintable(QStringLiteral("page needs %1, the tab control gives %2")
                            .arg(sizeText(needed), sizeText(area))));
    // Wrapped captions need more height than their one-line minimum.
    if (page->hasHeightForWidth())
        QVERIFY2(page->heightForWidth(area.width()) <= area.height(),
                 qPrintable(QStringLiteral("page needs %1 px of height at width %2")
                                .arg(page->heightForWidth(area.width()))
                                .arg(area.width())));
}

void TestMainWindowSize::page_controlsGetAtLeastTheirMinimumSize_data()
{
    pageRows();
}

void TestMainWindowSize::page_controlsGetAtLeastTheirMinimumSize()
{
    // A caption or a button squeezed below its minimum is clipped on screen.
    QFETCH(int, index);
    QWidget *page = showPage(index);
    QStringList squeezed;
    const auto check = [&](QWidget *w) {
        if (!w->isVisibleTo(page))
            return;
        QSize min = w->minimumSizeHint();
        if (w->hasHeightForWidth()) // a wrapped caption: its lines at the width it got
            min.setHeight(w->heightForWidth(w->width()));
        if (w->width() < min.width() || w->height() < min.height())
            squeezed << QStringLiteral("%1 %2 < %3")
                            .arg(w->objectName(), sizeText(w->size()), sizeText(min));
    };
    for (QLabel *w : page->findChildren<QLabel *>())
        check(w);
    for (QPushButton *w : page->findChildren<QPushButton *>())
        check(w);
    for (QLineEdit *w : page->findChildren<QLineEdit *>()) {
        if (!qobject_cast<QComboBox *>(w->parentWidget())) // the combo box is checked whole
            check(w);
    }
    for (QComboBox *w : page->findChildren<QComboBox *>())
        check(w);
    QVERIFY2(squeezed.isEmpty(), qPrintable(squeezed.join(QStringLiteral(", "))));
}

void TestMainWindowSize::page_valueBoxesHoldSevenDigits_data()
{
    pageRows();
}

void TestMainWindowSize::page_valueBoxesHoldSevenDigits()
{
    // Counters and times run to seven digits; narrower boxes would scroll them.
    QFETCH(int, index);
    QWidget *page = showPage(index);
    QStringList narrow;
    for (QLineEdit *box : page->findChildren<QLineEdit *>()) {
        if (!box->isVisibleTo(page) || qobject_cast<QComboBox *>(box->parentWidget()))
            continue;
        if (box->width() < boxWidthFor(*box, 7))
            narrow << QStringLiteral("%1 %2").arg(box->objectName()).arg(box->width());
    }
    QVERIFY2(narrow.isEmpty(), qPrintable(narrow.join(QStringLiteral(", "))));
}

QTEST_MAIN(TestMainWindowSize)
#include "tst_main_window_size.moc"
