#pragma once
// Shared by the pages that show stored replies: the lists hold trimmed texts, only a real
// pick from a list shows a stored object, and boxes show fixed-width text from its start.

#include <QComboBox>
#include <QLineEdit>
#include <QString>

#include <initializer_list>
#include <utility>

namespace morvain
{

// Blanks (character 32) off both ends; zero bytes and every other character stay, since
// lists and replies are compared as whole texts.
inline QString trimBlanks(const QString &text)
{
    qsizetype first = 0;
    qsizetype last = text.size();
    while (first < last && text.at(first) == u' ')
        ++first;
    while (last > first && text.at(last - 1) == u' ')
        --last;
    return text.mid(first, last - first);
}

// A code box's decoding: the whole text, untrimmed, against each code in the table's
// order; the first match becomes its word. Setting the word runs the change handler
// again, which then finds no code and leaves the word.
using CodeWords = std::initializer_list<std::pair<const char *, const char *>>;
inline void decode(QLineEdit *box, CodeWords words)
{
    const QString text = box->text();
    for (const auto &[code, word] : words) {
        if (text == QLatin1String(code)) {
            box->setText(QString::fromLatin1(word));
            return;
        }
    }
}

// A stored value into a text box, scrolled to its start: fixed-width fields end in blanks,
// which would otherwise fill the visible part of a narrow box.
inline void showText(QLineEdit *box, const QString &text)
{
    box->setText(text);
    box->setCursorPosition(0);
}

// Runs `handler` once for every entry the user picks from the list of an editable combo
// box (popup, arrow keys, wheel). Text typed into the edit field is no pick: Qt would look
// typed text up among the entries when editing finishes (Return, focus loss) and report a
// match as a pick, so that lookup is cut; and with no completer the field holds only what
// was typed.
template <class Handler>
void connectUserPicks(QComboBox *combo, const QObject *context, Handler handler)
{
    combo->setCompleter(nullptr);
    QObject::disconnect(combo->lineEdit(), &QLineEdit::editingFinished, combo, nullptr);
    QObject::connect(combo, &QComboBox::activated, context, [handler](int) { handler(); });
}

} // namespace morvain
