#pragma once
// Texts as the exports write them, the same for every format.

#include "text_support.h"

#include <QString>

namespace morvain::exporting
{

// An identifier such as the broker ID: blanks and zero bytes off both ends, since both pad
// it in a fresh or hand-written "Broker.cfg".
inline QString trimmedId(const QString &text)
{
    qsizetype first = 0;
    qsizetype last = text.size();
    const auto pad = [](QChar c) { return c == u' ' || c == QChar(0); };
    while (first < last && pad(text.at(first)))
        ++first;
    while (last > first && pad(text.at(last - 1)))
        --last;
    return text.mid(first, last - first);
}

} // namespace morvain::exporting
