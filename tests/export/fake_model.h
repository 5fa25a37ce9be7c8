#pragma once
// An ObjectModel that holds whatever a test puts in it.

#include "object_model.h"

namespace morvain::test
{

class FakeModel : public ObjectModel
{
public:
    QString kind = QStringLiteral("worker");
    QList<FieldInfo> fields;
    QList<QList<FieldValue>> objects; // objects[z - 1]
    QStringList keys;                 // keys[z - 1], or empty for ""
    ReplyHeader replyHeader;

    QString kindName() const override { return kind; }
    QList<FieldInfo> columns() const override { return fields; }
    int objectCount() const override { return int(objects.size()); }
    QList<FieldValue> values(int z) const override { return objects.at(z - 1); }
    QString key(int z) const override { return z <= keys.size() ? keys.at(z - 1) : QString(); }
    ReplyHeader header() const override { return replyHeader; }

    // A text, a code with its word and a gauge, in that order.
    void fillSample(const QList<std::tuple<QString, int, QString, int>> &rows)
    {
        FakeModel &m = *this;
        m.fields = {{QStringLiteral("user_id"), FieldKind::Text},
                    {QStringLiteral("status"), FieldKind::Code},
                    {QStringLiteral("num_calls"), FieldKind::Counter}};
        for (const auto &[text, code, word, calls] : rows) {
            m.objects.append(
                {{QStringLiteral("user_id"), FieldKind::Text, text, 0, {}},
                 {QStringLiteral("status"), FieldKind::Code, QString::number(code), code, word},
                 {QStringLiteral("num_calls"),
                  FieldKind::Counter,
                  QString::number(calls),
                  calls,
                  {}}});
            m.keys << text.trimmed();
        }
    }
};

} // namespace morvain::test
