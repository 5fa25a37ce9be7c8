#include "qt_floor.h"

#include "measure.h"
#include "paint_watch.h"
#include "text_list.h"

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace morvain::bench
{

namespace
{

// A widget of the same kind, place and text as `from` under `parent`, with no handler
// behind it, and so on down; kinds the tab has none of are left out.
void copyOf(const QWidget *from, QWidget *parent)
{
    QWidget *to = nullptr;
    if (auto *box = qobject_cast<const QGroupBox *>(from))
        to = new QGroupBox(box->title(), parent);
    else if (auto *label = qobject_cast<const QLabel *>(from))
        to = new QLabel(label->text(), parent);
    else if (auto *edit = qobject_cast<const QLineEdit *>(from))
        to = new QLineEdit(edit->text(), parent);
    else if (auto *button = qobject_cast<const QPushButton *>(from))
        to = new QPushButton(button->text(), parent);
    else if (auto *list = qobject_cast<const TextList *>(from)) {
        auto *copy = new TextList(parent);
        copy->setEntries(list->entries());
        to = copy;
    } else if (from->metaObject() == &QWidget::staticMetaObject)
        to = new QWidget(parent);
    if (!to)
        return;
    to->setObjectName(from->objectName());
    to->setGeometry(from->geometry());
    if (qobject_cast<QGroupBox *>(to) || to->metaObject() == &QWidget::staticMetaObject)
        for (const QWidget *child : from->findChildren<QWidget *>(Qt::FindDirectChildrenOnly))
            if (child->isVisibleTo(from))
                copyOf(child, to);
}

} // namespace

QtFloor::QtFloor(const QWidget &page) : m_window(std::make_unique<QWidget>())
{
    m_window->resize(page.size());
    for (const QWidget *child : page.findChildren<QWidget *>(Qt::FindDirectChildrenOnly))
        if (child->isVisibleTo(&page))
            copyOf(child, m_window.get());
    for (const char *name : {"lstServer_class", "lstServer_name", "lstService"})
        m_lists << m_window->findChild<TextList *>(QLatin1String(name));
    m_boxes = m_window->findChildren<QLineEdit *>();
    showAndPaint(*m_window);
}

QtFloor::~QtFloor() = default;

void QtFloor::show(int list, const QStringList &entries)
{
    m_lists[list]->setEntries(entries);
    if (!entries.isEmpty())
        m_lists[list]->setCurrentRow(0);
}

double QtFloor::refreshMicros(PaintWatch &watch, const QStringList &classes, int rounds)
{
    const QList<QWidget *> changed(m_lists.begin(), m_lists.end());
    return medianMicros(
        [&] {
            watch.run(
                [&] {
                    m_lists[0]->clear();
                    show(0, classes);
                    show(1, {QStringLiteral("N0")});
                    show(2, {QStringLiteral("S0")});
                },
                changed);
        },
        rounds, "floor-refresh");
}

double QtFloor::classPickMicros(PaintWatch &watch, const QStringList &classes, int rounds)
{
    m_lists[0]->setEntries(classes);
    const QList<QWidget *> changed(m_lists.begin(), m_lists.end());
    const int count = int(classes.size());
    return medianMicros(
               [&] {
                   for (int row = count - 1; row >= 0; --row)
                       watch.run(
                           [&] {
                               m_lists[0]->setCurrentRow(row);
                               show(1, {QStringLiteral("N%1").arg(row)});
                               show(2, {QStringLiteral("S%1").arg(row)});
                           },
                           changed);
               },
               rounds, "floor-pick") /
           count;
}

double QtFloor::nameListMicros(PaintWatch &watch, const QStringList &names, int rounds)
{
    m_lists[0]->setEntries({QStringLiteral("NAMES"), QStringLiteral("NO-SUCH-CLASS")});
    const QList<QWidget *> changed(m_lists.begin(), m_lists.end());
    const auto fill = [&](bool filled) {
        m_lists[0]->setCurrentRow(filled ? 0 : 1);
        show(1, filled ? names : QStringList());
        show(2, filled ? QStringList{QStringLiteral("SVC")} : QStringList());
        for (int i = 0; i < m_boxes.size(); ++i)
            m_boxes[i]->setText(filled ? QString::number(1000 + i) : QString());
    };
    return medianMicros(
               [&] {
                   for (int i = 0; i < 20; ++i) {
                       watch.run([&] { fill(true); }, changed);
                       watch.run([&] { fill(false); }, changed);
                   }
               },
               rounds, "floor-names") /
           20;
}

} // namespace morvain::bench
