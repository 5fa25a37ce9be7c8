#include "query_bar.h"

#include "kind_history.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QStyle>

namespace morvain
{

QueryBar::QueryBar(QWidget *parent) : QFrame(parent)
{
    setObjectName(QStringLiteral("queryBar"));
    setFrameShape(QFrame::StyledPanel);
    setAutoFillBackground(true);
    m_icon = new QLabel(this);
    m_text = new QLabel(this);
    m_text->setObjectName(QStringLiteral("lblQueryBar"));
    m_text->setWordWrap(true);
    m_text->setTextFormat(Qt::PlainText); // the broker's text is shown as it is
    m_text->setTextInteractionFlags(Qt::TextSelectableByMouse);
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(6, 3, 6, 3);
    layout->addWidget(m_icon, 0, Qt::AlignTop);
    layout->addWidget(m_text, 1);
    hide();
}

void QueryBar::follow(const KindHistory &history)
{
    const QString message = history.message();
    m_failed = history.failed();
    if (message.isEmpty()) {
        m_text->clear();
        hide();
        return;
    }
    m_text->setText(message);
    const int size = style()->pixelMetric(QStyle::PM_SmallIconSize, nullptr, this);
    m_icon->setPixmap(style()
                          ->standardIcon(m_failed ? QStyle::SP_MessageBoxWarning
                                                  : QStyle::SP_MessageBoxInformation)
                          .pixmap(size, size));
    // Tints that keep the palette's text readable: the application's window colour (the
    // bar's own holds the last tint), leaning to red or yellow by a quarter.
    QPalette p = palette();
    const QColor base = QApplication::palette(this).color(QPalette::Window);
    const QColor lean = m_failed ? failedTint() : cutTint();
    const auto mix = [](int a, int b) { return (3 * a + b) / 4; };
    p.setColor(QPalette::Window,
               QColor(mix(base.red(), lean.red()), mix(base.green(), lean.green()),
                      mix(base.blue(), lean.blue())));
    setPalette(p);
    show();
}

QString QueryBar::text() const
{
    return isHidden() ? QString() : m_text->text();
}

} // namespace morvain
