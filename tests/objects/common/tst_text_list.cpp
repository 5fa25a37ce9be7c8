// A TextList paints its entries from the text it shaped before. Whatever it shows must be
// what Qt's own item painting shows, pixel for pixel: each case renders the same list
// twice, once as it is and once with Qt's delegate, and compares the two images.

#include "text_list.h"
#include "text_list_delegate.h"

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <QStyledItemDelegate>
#include <QTest>

using namespace morvain;

namespace
{

struct Setting {
    QStringList entries;
    int current = -1;
    bool enabled = true;
    bool focused = false;
    Qt::LayoutDirection direction = Qt::LeftToRight;
    int width = 160;
    bool ownInactiveColours = false;
    bool fontDoubledBetweenPaints = false;
};

void apply(TextList &list, const Setting &s)
{
    list.setLayoutDirection(s.direction);
    list.setEnabled(s.enabled);
    list.resize(s.width, 120);
    if (s.ownInactiveColours) { // an unfocused window's rows in colours of their own
        QPalette palette = list.palette();
        palette.setColor(QPalette::Inactive, QPalette::Text, Qt::darkGreen);
        palette.setColor(QPalette::Inactive, QPalette::HighlightedText, Qt::red);
        list.setPalette(palette);
    }
    list.setEntries(s.entries);
    list.setCurrentRow(s.current);
    if (s.focused) {
        list.show();
        list.activateWindow();
        list.setFocus();
        QVERIFY(QTest::qWaitForWindowActive(&list));
    }
}

QImage rendered(TextList &list)
{
    QImage image(list.size(), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    list.render(&image);
    return image;
}

// The list as set, painted twice (the second paint draws what the first one shaped), one
// list at a time, so that a focused one is the active window while it paints.
QImage paintedTwice(const Setting &setting, bool withQtsDelegate)
{
    TextList list;
    if (withQtsDelegate)
        list.setItemDelegate(new QStyledItemDelegate(&list));
    apply(list, setting);
    rendered(list);
    if (setting.fontDoubledBetweenPaints) {
        QFont larger = list.font();
        larger.setPointSize(larger.pointSize() * 2);
        list.setFont(larger);
    }
    return rendered(list);
}

} // namespace

Q_DECLARE_METATYPE(Setting)

class TstTextList : public QObject
{
    Q_OBJECT
private slots:
    void paint_matchesQtsOwnItemPainting_data();
    void paint_matchesQtsOwnItemPainting();
    void paint_ofManyEntries_keepsAtMostTheLimitShaped();
};

void TstTextList::paint_matchesQtsOwnItemPainting_data()
{
    QTest::addColumn<Setting>("setting");
    const QStringList plain{"CLASS-A", "Server 2", "x", "svc_long_name_42"};
    QTest::newRow("plain, none current") << Setting{.entries = plain};
    QTest::newRow("second row selected") << Setting{.entries = plain, .current = 1};
    QTest::newRow("selected, focused") << Setting{.entries = plain, .current = 2, .focused = true};
    QTest::newRow("disabled, selected")
        << Setting{.entries = plain, .current = 0, .enabled = false};
    QTest::newRow("inactive window, colours of its own")
        << Setting{.entries = plain, .current = 1, .ownInactiveColours = true};
    QTest::newRow("right to left")
        << Setting{.entries = plain, .current = 1, .direction = Qt::RightToLeft};
    QTest::newRow("too long for the row: elided")
        << Setting{.entries = {"A-CLASS-NAME-THAT-DOES-NOT-FIT-IN-FORTY-PIXELS", "ok"},
                   .current = 0,
                   .width = 40};
    QTest::newRow("Latin-1 and control bytes")
        << Setting{.entries = {QString::fromLatin1("M\xfcller \xe9t\xe9"), "tab\there",
                               "two\nlines", QString(QChar(0x01)) + "ctl", "", "   "},
                   .current = 3};
    QTest::newRow("beyond Latin-1, taller glyphs after the first row")
        << Setting{.entries = {"b", QString::fromUtf8("\xe2\x82\xac 5 \xd0\x96"),
                               QString::fromUtf8("\xe6\xbc\xa2\xe5\xad\x97 \xf0\x9f\x98\x80 "
                                                 "\xe0\xb8\x81\xe0\xb8\xb5\xe0\xb9\x88")},
                   .current = 1};
    QTest::newRow("the font changed after a paint") << Setting{
        .entries = {"CLASS-A", "Server 2"}, .current = 1, .fontDoubledBetweenPaints = true};
}

void TstTextList::paint_matchesQtsOwnItemPainting()
{
    QFETCH(Setting, setting);
    QCOMPARE(paintedTwice(setting, false), paintedTwice(setting, true));
}

void TstTextList::paint_ofManyEntries_keepsAtMostTheLimitShaped()
{
    TextList list;
    QStringList entries;
    for (int i = 0; i < TextListDelegate::shapedLimit + 50; ++i)
        entries << QStringLiteral("entry %1").arg(i);
    list.setEntries(entries);
    list.resize(200, list.rowRect(0).height() * int(entries.size()) + 10);
    rendered(list);
    const auto *delegate = dynamic_cast<TextListDelegate *>(list.itemDelegate());
    QVERIFY(delegate);
    QVERIFY(delegate->shapedCount() > 0);
    QVERIFY(delegate->shapedCount() <= TextListDelegate::shapedLimit);
}

QTEST_MAIN(TstTextList)
#include "tst_text_list.moc"
