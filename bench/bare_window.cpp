#include "bare_window.h"

#include "text_list.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenuBar>
#include <QPushButton>
#include <QStatusBar>
#include <QTabWidget>

namespace morvain::bench
{

namespace
{

// Widgets a combo box makes for itself are not the window's own.
template <class W> int count(const QWidget &window)
{
    int n = 0;
    for (const W *w : window.findChildren<W *>())
        n += qobject_cast<const QComboBox *>(w->parentWidget()) == nullptr;
    return n;
}

} // namespace

Census Census::of(const QWidget &window)
{
    return {count<QLabel>(window),    count<QLineEdit>(window),   count<TextList>(window),
            count<QComboBox>(window), count<QPushButton>(window), count<QGroupBox>(window)};
}

QStringList Census::arguments() const
{
    QStringList out;
    for (int n : {labels, edits, lists, combos, buttons, frames})
        out << QString::number(n);
    return out;
}

Census Census::fromArguments(const QStringList &a)
{
    const auto at = [&](int i) { return a.value(i).toInt(); };
    return {at(0), at(1), at(2), at(3), at(4), at(5)};
}

BareWindow::BareWindow(const Census &census)
{
    menuBar()->addMenu(QStringLiteral("&Menu"))->addAction(QStringLiteral("E&xit"));
    statusBar()->addWidget(new QLabel(QStringLiteral("ready")));
    auto *tabs = new QTabWidget;
    setCentralWidget(tabs);
    QList<QGridLayout *> pages;
    for (int page = 0; page < 5; ++page) {
        auto *widget = new QWidget;
        pages << new QGridLayout(widget);
        tabs->addTab(widget, QStringLiteral("Tab %1").arg(page));
    }
    // Each kind dealt out over the five pages, one column per kind.
    const auto deal = [&](int n, int column, auto make) {
        for (int i = 0; i < n; ++i)
            pages[i % 5]->addWidget(make(i), i / 5, column);
    };
    deal(census.frames, 0, [](int i) { return new QGroupBox(QStringLiteral("Frame %1").arg(i)); });
    deal(census.labels, 1, [](int i) { return new QLabel(QStringLiteral("Field %1:").arg(i)); });
    deal(census.edits, 2, [](int i) { return new QLineEdit(QStringLiteral("value %1").arg(i)); });
    deal(census.lists, 3, [](int) { return new QListWidget; });
    deal(census.combos, 4, [](int) { return new QComboBox; });
    deal(census.buttons, 5,
         [](int i) { return new QPushButton(QStringLiteral("Button %1").arg(i)); });
    resize(632, 434);
}

} // namespace morvain::bench
