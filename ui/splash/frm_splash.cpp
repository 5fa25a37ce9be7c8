#include "frm_splash.h"

#include "artwork.h"
#include "picture_strip.h"
#include "ui_frm_splash.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QIcon>
#include <QMouseEvent>
#include <QScreen>
#include <QTimer>

namespace morvain
{

namespace
{

constexpr int animationStepMs = 10;
constexpr int closeAfterMs = 3000;
constexpr double productNamePoints = 26.25; // .ui fonts take whole points only

} // namespace

FrmSplash::FrmSplash(MainWindowLoader loadMainWindow, QWidget *parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint), ui(std::make_unique<Ui::FrmSplash>()),
      m_loadMainWindow(std::move(loadMainWindow)), Timer1(new QTimer(this)),
      tmrclose(new QTimer(this))
{
    ui->setupUi(this);
    setFixedSize(size());
    setAttribute(Qt::WA_DeleteOnClose);
    setFocusPolicy(Qt::StrongFocus);

    QFont name = ui->lblProductName->font();
    name.setPointSizeF(productNamePoints);
    ui->lblProductName->setFont(name);

    const QPixmap strip = artwork::strip();
    for (int n = 0; n < strip::cellCount; ++n) {
        m_cells[n] = strip.copy(strip::cellRect(n));
        m_icons[n] = artwork::icon(n);
    }
    // The picture box takes the strip's own background, so the cells have no visible edge.
    QPalette box = ui->Picture6->palette();
    box.setColor(QPalette::Window, strip.toImage().pixelColor(0, 0));
    ui->Picture6->setPalette(box);
    ui->Picture6->setAutoFillBackground(true);

    ui->Frame1->installEventFilter(this);

    if (const QScreen *screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());

    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(animationStepMs);
    connect(Timer1, &QTimer::timeout, this, &FrmSplash::Timer1_Timer);
    tmrclose->setObjectName(QStringLiteral("tmrclose"));
    tmrclose->setInterval(closeAfterMs);
    tmrclose->setSingleShot(true);
    // Never early: the splash promises its full three seconds.
    tmrclose->setTimerType(Qt::PreciseTimer);
    connect(tmrclose, &QTimer::timeout, this, &FrmSplash::tmrclose_Timer);

    Form_Load();
    Timer1->start();
    tmrclose->start();
}

FrmSplash::~FrmSplash() = default;

void FrmSplash::Form_Load()
{
    frame_index = 2;
    showFrame();
}

void FrmSplash::Timer1_Timer()
{
    ++frame_index;
    if (frame_index == strip::cellCount)
        frame_index = 0;
    showFrame();
}

// Picture1 takes its cell's size (65 or 66 by 60 or 61) and is centred again each time,
// measured inside Picture6's border. The window icon moves in step with the picture.
void FrmSplash::showFrame()
{
    setWindowIcon(m_icons[frame_index]);
    const QPixmap &cell = m_cells[frame_index];
    ui->Picture1->setPixmap(cell);
    const QRect inner = ui->Picture6->contentsRect();
    ui->Picture1->setGeometry(inner.left() + (inner.width() - cell.width()) / 2,
                              inner.top() + (inner.height() - cell.height()) / 2, cell.width(),
                              cell.height());
}

void FrmSplash::tmrclose_Timer()
{
    closeSplash();
}

void FrmSplash::Frame1_Click()
{
    closeSplash();
}

void FrmSplash::Form_KeyPress()
{
    closeSplash();
}

void FrmSplash::closeSplash()
{
    if (m_closing)
        return;
    m_closing = true;
    ui->framecalling->show();
    // Let the notice reach the screen before the start-up queries block the thread.
    QCoreApplication::processEvents();
    repaint();
    close();
}

// Unloading, by our own close or by the window system's: the main window comes first.
void FrmSplash::closeEvent(QCloseEvent *event)
{
    if (!m_closing) { // closed from outside: the notice still shows while the start runs
        m_closing = true;
        ui->framecalling->show();
        repaint();
    }
    Form_Unload();
    event->accept();
}

void FrmSplash::Form_Unload()
{
    if (m_unloaded)
        return;
    m_unloaded = true;
    Timer1->stop();
    tmrclose->stop();
    QWidget *mainWindow = m_loadMainWindow ? m_loadMainWindow() : nullptr;
    if (mainWindow) {
        mainWindow->setWindowModality(Qt::NonModal);
        mainWindow->show();
    }
    emit unloaded(mainWindow);
}

void FrmSplash::keyPressEvent(QKeyEvent *event)
{
    Form_KeyPress();
    event->accept();
}

bool FrmSplash::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == ui->Frame1) {
        // Frame1 takes the press so that the release (the click) comes back to it.
        if (event->type() == QEvent::MouseButtonPress) {
            event->accept();
            return true;
        }
        if (event->type() == QEvent::MouseButtonRelease &&
            static_cast<QMouseEvent *>(event)->button() == Qt::LeftButton) {
            Frame1_Click();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace morvain
