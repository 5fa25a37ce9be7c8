#pragma once
// The bar across the top of a tab or a table window that says what its values are when
// they are not a good, whole query: a failed query (what failed, when, what the values
// below are, the likely fix) or a cut list ("Showing 3 of 1500 services"). Hidden
// otherwise. It never takes the focus and never blocks: the tab stays usable under it.

#include <QFrame>

class QLabel;

namespace morvain
{

class KindHistory;

class QueryBar : public QFrame
{
    Q_OBJECT
public:
    explicit QueryBar(QWidget *parent = nullptr);

    // Shows what `history` says of its latest query, or hides.
    void follow(const KindHistory &history);
    QString text() const;
    bool failed() const { return m_failed; }

private:
    QLabel *m_icon = nullptr;
    QLabel *m_text = nullptr;
    bool m_failed = false;
};

} // namespace morvain
