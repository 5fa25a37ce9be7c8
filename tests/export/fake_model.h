#pragma once
// An ObjectModel that holds whatever a test puts in it, as records: one text, one code and
// one counter per object, read through a field table as the kinds' models read theirs.

#include "field_values.h"
#include "object_model.h"

#include <QHash>

#include <array>
#include <vector>

namespace morvain::test
{

class FakeModel : public ObjectModel
{
public:
    QString kind = QStringLiteral("worker");
    QStringList keys; // keys[z - 1], or empty for ""
    ReplyHeader replyHeader;

    QString kindName() const override { return kind; }
    QList<FieldInfo> columns() const override { return columnsOf(m_table, rules); }
    int objectCount() const override { return int(m_records.size()); }
    void query(InfoCycle &) override {}
    RecordView record(int z) const override
    {
        return {m_records.at(std::size_t(z - 1)), m_table, &rules};
    }
    QString key(int z) const override { return z <= keys.size() ? keys.at(z - 1) : QString(); }
    ReplyHeader header() const override { return replyHeader; }

    // Rows of a text (Latin-1; blank-padded to the longest), a code with its word and a
    // counter: the fields user_id, status and num_calls. Words are shared by all fakes.
    void fillSample(const QList<std::tuple<QString, int, QString, int>> &rows)
    {
        qsizetype width = 1;
        for (const auto &row : rows)
            width = std::max(width, std::get<0>(row).size());
        QList<QByteArray> texts;
        for (const auto &[text, code, word, calls] : rows) {
            words().insert(code, word);
            texts << text.toLatin1().leftJustified(width, ' ');
            keys << text.trimmed();
        }
        fillRecords(texts, rows);
    }
    // Texts of any bytes, each padded with blanks to `width`; code 1 and no calls.
    void fillTexts(const QList<QByteArray> &texts, int width)
    {
        QList<QByteArray> padded;
        QList<std::tuple<QString, int, QString, int>> rows;
        for (const QByteArray &t : texts) {
            padded << t.leftJustified(width, ' ');
            rows.append({QString(), 1, QString(), 0});
        }
        fillRecords(padded, rows);
    }

    // A derived reading of num_calls, for every fake: few numbers have one.
    static void setReading(std::int64_t calls, const QString &text)
    {
        readings().insert(calls, text);
    }

private:
    static QHash<std::int64_t, QString> &readings()
    {
        static QHash<std::int64_t, QString> all;
        return all;
    }
    static QHash<std::int64_t, QString> &words()
    {
        static QHash<std::int64_t, QString> all;
        return all;
    }
    static FieldKind kindOf(std::string_view name)
    {
        return name == "status" ? FieldKind::Code : FieldKind::Counter;
    }
    static QString decodedOf(std::string_view name, std::int64_t n)
    {
        return name == "status" ? words().value(n) : readings().value(n);
    }
    static constexpr FieldRules rules{kindOf, decodedOf};

    void fillRecords(const QList<QByteArray> &texts,
                     const QList<std::tuple<QString, int, QString, int>> &rows)
    {
        const int width = texts.isEmpty() ? 1 : int(texts.constFirst().size());
        m_table = {{{"user_id", 0, width, wire::Encoding::Text},
                    {"status", width, 2, wire::Encoding::Int16},
                    {"num_calls", width + 2, 4, wire::Encoding::Int32}}};
        m_records.clear();
        for (qsizetype i = 0; i < texts.size(); ++i) {
            std::vector<std::uint8_t> r(texts.at(i).begin(), texts.at(i).end());
            const auto code = std::uint16_t(std::get<1>(rows.at(i)));
            const auto calls = std::uint32_t(std::get<3>(rows.at(i)));
            for (int b = 0; b < 2; ++b)
                r.push_back(std::uint8_t(code >> (8 * b)));
            for (int b = 0; b < 4; ++b)
                r.push_back(std::uint8_t(calls >> (8 * b)));
            m_records.push_back(std::move(r));
        }
    }

    std::array<wire::Field, 3> m_table{{{"user_id", 0, 1, wire::Encoding::Text},
                                        {"status", 1, 2, wire::Encoding::Int16},
                                        {"num_calls", 3, 4, wire::Encoding::Int32}}};
    std::vector<std::vector<std::uint8_t>> m_records;
};

} // namespace morvain::test
