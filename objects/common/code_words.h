#pragma once
// The decoding of a code into a word: the code's decimal text, untrimmed, against each
// code of a kind's table in the table's order; the first match gives the word.

#include <QLatin1String>
#include <QString>

#include <initializer_list>
#include <utility>

namespace morvain
{

using CodeWords = std::initializer_list<std::pair<const char *, const char *>>;

// The word for `text`, or an empty text when no code matches.
inline QString wordFor(const QString &text, CodeWords words)
{
    for (const auto &[code, word] : words)
        if (text == QLatin1String(code))
            return QString::fromLatin1(word);
    return {};
}

} // namespace morvain
