#pragma once
// An ObjectModel that holds whatever a test puts in it, kept as real records (a text as
// wide as the widest given, a 16-bit code, a 32-bit counter), so the writers read it the
// one way they read every model, through record().

#include "field_values.h"
#include "object_model.h"
#include "wire_field.h"

#include <QHash>

#include <tuple>
#include <vector>

namespace morvain::test
{

// The word of each code, as the last fillSample() gave it.
inline QHash<std::int64_t, QString> &fakeWords()
{
    static QHash<std::int64_t, QString> words;
    return words;
}

inline constexpr FieldRules fakeRules{[](std::string_view name) {
                                          return name == "status"      ? FieldKind::Code
                                                 : name == "num_calls" ? FieldKind::Counter
                                                                       : FieldKind::Gauge;
                                      },
                                      [](std::string_view name, std::int64_t number) {
                                          return name == "status" ? fakeWords().value(number)
                                                                  : QString();
                                      }};

class FakeModel : public ObjectModel
{
public:
    QString kind = QStringLiteral("worker");
    QStringList keys; // keys[z - 1], or empty for ""
    ReplyHeader replyHeader;

    QString kindName() const override { return kind; }
    QList<FieldInfo> columns() const override { return columnsOf(m_fields, fakeRules); }
    void query(InfoCycle &) override {}
    int objectCount() const override { return int(m_records.size()); }
    RecordView record(int z) const override
    {
        if (z < 1 || z > objectCount())
            return {};
        return {m_records[std::size_t(z - 1)], m_fields, &fakeRules};
    }
    QString key(int z) const override { return z <= keys.size() ? keys.at(z - 1) : QString(); }
    ReplyHeader header() const override { return replyHeader; }

    // A text, a code with its word and a counter, in that order.
    void fillSample(const QList<std::tuple<QString, int, QString, int>> &rows)
    {
        int width = 1;
        for (const auto &row : rows)
            width = std::max(width, int(std::get<0>(row).size()));
        m_fields = {{"user_id", 0, width, wire::Encoding::Text},
                    {"status", width, 2, wire::Encoding::Int16},
                    {"num_calls", width + 2, 4, wire::Encoding::Int32}};
        for (const auto &[text, code, word, calls] : rows) {
            std::vector<std::uint8_t> r(std::size_t(width + 6), ' ');
            const QByteArray latin1 = text.toLatin1();
            std::copy(latin1.begin(), latin1.end(), r.begin());
            for (int i = 0; i < 2; ++i)
                r[std::size_t(width + i)] = std::uint8_t(unsigned(code) >> (8 * i));
            for (int i = 0; i < 4; ++i)
                r[std::size_t(width + 2 + i)] = std::uint8_t(unsigned(calls) >> (8 * i));
            m_records.push_back(std::move(r));
            fakeWords().insert(code, word);
            keys << text.trimmed();
        }
    }

private:
    std::vector<wire::Field> m_fields;
    std::vector<std::vector<std::uint8_t>> m_records;
};

} // namespace morvain::test
