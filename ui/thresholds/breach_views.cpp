#include "breach_views.h"

#include "views/operator_views.h"

#include <QPainter>
#include <QPixmap>

namespace morvain
{

namespace
{
// A tooltip stays a tooltip: the first breaches, then how many more.
constexpr int listedAtMost = 15;
} // namespace

QIcon drawBreachIcon(thresholds::Severity severity)
{
    QPixmap dot(16, 16);
    dot.fill(Qt::transparent);
    QPainter painter(&dot);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(breachColor(severity).darker(140), 1));
    painter.setBrush(breachColor(severity));
    painter.drawEllipse(QRectF(2.5, 2.5, 11, 11));
    return QIcon(dot);
}

// Drawn once per severity: the same icon each time, so a tab that keeps its icon is not
// laid out again.
QIcon breachIcon(thresholds::Severity severity)
{
    static const QIcon warning = drawBreachIcon(thresholds::Severity::Warning);
    static const QIcon critical = drawBreachIcon(thresholds::Severity::Critical);
    return severity == thresholds::Severity::Critical ? critical : warning;
}

void showBreaches(BreachWatch &watch, OperatorViews &views)
{
    OperatorViews::Marks marks;
    marks.tabIcon = [&watch](int tab) {
        const std::optional<thresholds::Severity> worst = watch.worstOf(tab);
        return worst ? breachIcon(*worst) : QIcon();
    };
    marks.rows = [&watch](int tab) -> ObjectTableModel::RowMarker {
        return [&watch, tab](const QString &key,
                             bool withNote) -> std::optional<ObjectTableModel::RowMark> {
            const std::optional<thresholds::Severity> worst = watch.severityOf(tab, key);
            if (!worst)
                return std::nullopt;
            return ObjectTableModel::RowMark{
                breachTint(*worst), withNote ? watch.breachTexts(tab, key).join(u'\n') : QString()};
        };
    };
    marks.boxes = [&watch](int tab) -> TabTints::BoxMarker {
        return [&watch, tab](const QString &key,
                             const QString &field) -> std::optional<TabTints::BoxMark> {
            const std::optional<thresholds::Severity> worst = watch.severityOf(tab, key, field);
            if (!worst)
                return std::nullopt;
            return TabTints::BoxMark{breachTint(*worst),
                                     watch.breachTexts(tab, key, field).join(u'\n')};
        };
    };
    views.setMarks(std::move(marks));
    QObject::connect(&watch, &BreachWatch::changed, &views, &OperatorViews::marksChanged);
}

BreachLabel::BreachLabel(BreachWatch &watch, QWidget *parent) : QLabel(parent), m_watch(watch)
{
    setObjectName(QStringLiteral("lblBreaches"));
    setTextFormat(Qt::PlainText);
    setFrameStyle(QFrame::Panel | QFrame::Sunken);
    connect(&watch, &BreachWatch::changed, this, &BreachLabel::refresh);
    refresh();
}

void BreachLabel::refresh()
{
    setVisible(m_watch.active());
    if (!m_watch.active())
        return;
    const int count = m_watch.count();
    QString text = count == 0   ? tr("No breaches")
                   : count == 1 ? tr("1 breach")
                                : tr("%1 breaches").arg(count);
    // Breaches of a kind whose latest query failed are the last good query's, not now's.
    const QStringList stale = m_watch.staleKinds();
    if (count > 0 && !stale.isEmpty())
        text += tr(" (%1: last good query)").arg(stale.join(QStringLiteral(", ")));
    const QStringList problems = m_watch.problems();
    if (!m_watch.rules().error.isEmpty())
        text = tr("Rules file unusable");
    else if (!problems.isEmpty())
        text += problems.size() == 1 ? tr(", 1 rule refused")
                                     : tr(", %1 rules refused").arg(problems.size());
    setText(text);

    QStringList lines = m_watch.texts(listedAtMost);
    if (count > listedAtMost)
        lines << tr("and %1 more").arg(count - listedAtMost);
    if (lines.isEmpty())
        lines << tr("No threshold breached");
    if (!problems.isEmpty())
        lines << QString() << tr("Not used from %1:").arg(m_watch.path()) << problems;
    setToolTip(lines.join(u'\n'));
}

} // namespace morvain
