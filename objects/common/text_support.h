#pragma once
// Text as the models and the pages compare and list it (Qt Core only).

#include <QByteArrayView>
#include <QSet>
#include <QString>
#include <QStringList>

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

// The same on bytes in place: Latin-1 text trims to the same characters.
inline QByteArrayView trimBlanks(QByteArrayView text)
{
    qsizetype first = 0;
    qsizetype last = text.size();
    while (first < last && text.at(first) == ' ')
        ++first;
    while (last > first && text.at(last - 1) == ' ')
        --last;
    return text.sliced(first, last - first);
}

// A list of distinct, non-empty texts in the order they first arrive. The set beside the
// list keeps each addition constant in time; comparison is exact and case-sensitive.
class FirstArrivals
{
public:
    void add(const QString &text)
    {
        if (text.isEmpty() || m_seen.contains(text))
            return;
        m_seen.insert(text);
        m_list << text;
    }
    const QStringList &list() const { return m_list; }

private:
    QStringList m_list;
    QSet<QString> m_seen;
};

} // namespace morvain
