// The splash screen: its animation over the picture strip, and the one-way hand-over to
// the main window with the calling notice on the screen.

#include "splash/artwork.h"
#include "splash/frm_splash.h"
#include "splash/picture_strip.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFrame>
#include <QLabel>
#include <QPointer>
#include <QSignalSpy>
#include <QTimer>
#include <QtTest>

#include <functional>
#include <memory>
#include <vector>

using namespace morvain;

namespace
{

QImage cellImage(int n)
{
    return artwork::strip().copy(strip::cellRect(n)).toImage();
}

QImage iconImage(const QIcon &icon)
{
    return icon.pixmap(32, 32).toImage();
}

// What the main-window factory saw when the splash called it.
struct LoadRecord {
    int loads = 0;
    bool noticeVisible = false;
    bool splashVisible = false;
    bool animationStopped = false;
    QPointer<QWidget> mainWindow;
};

} // namespace

class TstSplash : public QObject
{
    Q_OBJECT

private:
    // A splash whose factory records what it saw, runs duringLoad and returns a plain window.
    FrmSplash *makeSplash(LoadRecord &record, std::function<void(FrmSplash *)> duringLoad = {})
    {
        auto self = std::make_shared<QPointer<FrmSplash>>();
        auto *splash = new FrmSplash([this, &record, self, duringLoad]() -> QWidget * {
            FrmSplash *s = *self;
            ++record.loads;
            record.noticeVisible = s->findChild<QFrame *>("framecalling")->isVisible();
            record.splashVisible = s->isVisible();
            record.animationStopped = !s->findChild<QTimer *>("Timer1")->isActive() &&
                                      !s->findChild<QTimer *>("tmrclose")->isActive();
            if (duringLoad)
                duringLoad(s);
            auto *mainWindow = new QWidget;
            mainWindow->setObjectName("main window");
            m_mainWindows.append(mainWindow);
            record.mainWindow = mainWindow;
            return mainWindow;
        });
        *self = splash;
        return splash;
    }

private slots:
    void initTestCase() { QApplication::setQuitOnLastWindowClosed(false); }

    void cleanup()
    {
        for (const QPointer<QWidget> &w : std::as_const(m_mainWindows))
            delete w.data();
        m_mainWindows.clear();
        QTest::qWait(0); // deferred deletes
        for (QWidget *w : QApplication::topLevelWidgets())
            QVERIFY2(!w->isVisible(), qPrintable(w->objectName() + " was left on the screen"));
    }

    // ---- the picture strip

    void cellRects_tileTheStripExactly()
    {
        std::vector<int> hits(strip::width * strip::height, 0);
        for (int n = 0; n < strip::cellCount; ++n) {
            const QRect cell = strip::cellRect(n);
            QVERIFY(cell.width() == 65 || cell.width() == 66);
            QVERIFY(cell.height() == 60 || cell.height() == 61);
            // cell n lies in row n div 6, column n mod 6
            const QPointF middle((n % 6 + 0.5) * strip::width / 6.0,
                                 (n / 6 + 0.5) * strip::height / 3.0);
            QVERIFY2(cell.contains(middle.toPoint()), qPrintable(QString::number(n)));
            for (int y = cell.top(); y <= cell.bottom(); ++y)
                for (int x = cell.left(); x <= cell.right(); ++x) {
                    QVERIFY(x >= 0 && x < strip::width && y >= 0 && y < strip::height);
                    ++hits[y * strip::width + x];
                }
        }
        for (int i = 0; i < int(hits.size()); ++i)
            QVERIFY2(hits[i] == 1, qPrintable(QStringLiteral("pixel %1,%2 covered %3 times")
                                                  .arg(i % strip::width)
                                                  .arg(i / strip::width)
                                                  .arg(hits[i])));
    }

    void artwork_isTheRightSizeAndEveryFrameDiffers()
    {
        QCOMPARE(artwork::strip().size(), QSize(strip::width, strip::height));
        QVERIFY(!artwork::emblem().isNull());
        for (int n = 0; n < strip::cellCount; ++n) {
            QCOMPARE(artwork::icon(n).availableSizes().value(0), QSize(32, 32));
            const int next = (n + 1) % strip::cellCount;
            QVERIFY(cellImage(n) != cellImage(next));
            QVERIFY(iconImage(artwork::icon(n)) != iconImage(artwork::icon(next)));
        }
    }

    // ---- the animation

    void start_showsCellTwoCentred()
    {
        FrmSplash splash(nullptr);
        QCOMPARE(splash.frameIndex(), 2);
        const auto *picture = splash.findChild<QLabel *>("Picture1");
        QCOMPARE(picture->pixmap().toImage(), cellImage(2));
        QCOMPARE(iconImage(splash.windowIcon()), iconImage(artwork::icon(2)));
        checkCentred(splash);
        QVERIFY(!splash.findChild<QFrame *>("framecalling")->isVisibleTo(&splash));
        QCOMPARE(splash.findChild<QTimer *>("Timer1")->interval(), 10);
        QCOMPARE(splash.findChild<QTimer *>("tmrclose")->interval(), 3000);
    }

    void animation_runsFromThreeRoundToTwo()
    {
        FrmSplash splash(nullptr);
        splash.findChild<QTimer *>("Timer1")->stop();
        splash.findChild<QTimer *>("tmrclose")->stop();
        const auto *picture = splash.findChild<QLabel *>("Picture1");
        const QList<int> expected = {3,  4,  5,  6,  7,  8, 9, 10, 11, 12,
                                     13, 14, 15, 16, 17, 0, 1, 2,  3};
        for (int cell : expected) {
            splash.Timer1_Timer();
            QCOMPARE(splash.frameIndex(), cell);
            QCOMPARE(picture->pixmap().toImage(), cellImage(cell));
            QCOMPARE(iconImage(splash.windowIcon()), iconImage(artwork::icon(cell)));
            checkCentred(splash);
        }
    }

    // ---- closing

    void close_data()
    {
        QTest::addColumn<QString>("trigger");
        QTest::newRow("3000 ms without input") << "timer";
        QTest::newRow("click on the background") << "click Frame1";
        QTest::newRow("click on a label") << "click lblProductName";
        QTest::newRow("key press") << "key";
        QTest::newRow("closed by the window system") << "close";
    }

    void close()
    {
        QFETCH(QString, trigger);
        LoadRecord record;
        QElapsedTimer clock;
        clock.start();
        QPointer<FrmSplash> splash = makeSplash(record);
        splash->show();
        QVERIFY(QTest::qWaitForWindowExposed(splash));
        QSignalSpy unloaded(splash.data(), &FrmSplash::unloaded);

        if (trigger == "timer") {
            QVERIFY(unloaded.wait(6000));
            QVERIFY2(clock.elapsed() >= 2990, qPrintable(QString::number(clock.elapsed())));
        } else {
            if (trigger == "key")
                QTest::keyClick(splash, Qt::Key_Space);
            else if (trigger == "close")
                splash->close();
            else
                QTest::mouseClick(splash->findChild<QWidget *>(trigger.mid(6)), Qt::LeftButton, {},
                                  QPoint(5, 5));
            QCOMPARE(unloaded.count(), 1); // at once
            QVERIFY(clock.elapsed() < 3000);
        }

        QCOMPARE(record.loads, 1);
        QVERIFY(record.noticeVisible);
        QVERIFY(record.splashVisible);
        QVERIFY(record.animationStopped);
        QVERIFY(record.mainWindow);
        QVERIFY(record.mainWindow->isVisible());
        QVERIFY(!record.mainWindow->isModal());
        QCOMPARE(unloaded.at(0).at(0).value<QWidget *>(), record.mainWindow.data());
        QTRY_VERIFY(splash.isNull());
    }

    void close_triggersWhileLoading_doNothing()
    {
        LoadRecord record;
        QPointer<FrmSplash> splash = makeSplash(record, [](FrmSplash *s) {
            // the start's message boxes let clicks, keys and timers through
            s->Frame1_Click();
            s->Form_KeyPress();
            s->tmrclose_Timer();
            s->close();
        });
        splash->show();
        splash->Frame1_Click();
        QCOMPARE(record.loads, 1);
        QTRY_VERIFY(splash.isNull());
        QCOMPARE(record.loads, 1);
    }

private:
    void checkCentred(FrmSplash &splash)
    {
        const auto *box = splash.findChild<QFrame *>("Picture6");
        const auto *picture = splash.findChild<QLabel *>("Picture1");
        QCOMPARE(picture->parentWidget(), box);
        const QRect inner = box->contentsRect();
        QCOMPARE(picture->size(), strip::cellRect(splash.frameIndex()).size());
        QCOMPARE(picture->x() - inner.left(), (inner.width() - picture->width()) / 2);
        QCOMPARE(picture->y() - inner.top(), (inner.height() - picture->height()) / 2);
    }

    QList<QPointer<QWidget>> m_mainWindows;
};

QTEST_MAIN(TstSplash)
#include "tst_splash.moc"
