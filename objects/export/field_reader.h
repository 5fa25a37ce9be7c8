#pragma once
// One kind's stored objects field by field, as the writers read them: straight from the
// record bytes where the model keeps them, else from values(). Texts come as their bytes,
// numbers as numbers, words as UTF-8, so a writer builds no text per field. A code's word
// is decoded once per code seen and kept for the rest of the kind.

#include "byte_buffer.h"
#include "object_model.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QHash>
#include <QList>

#include <cstdint>
#include <vector>

namespace morvain
{
namespace wire
{
struct Field;
}

namespace exporting
{

class FieldReader
{
public:
    explicit FieldReader(const ObjectModel &model);

    const QList<FieldInfo> &columns() const { return m_columns; }
    int objectCount() const { return m_objectCount; }

    // Makes object z (1 to objectCount()) the one the readings below are of.
    void select(int z);
    qsizetype fieldCount() const;
    FieldKind kind(qsizetype c) const;
    std::int64_t number(qsizetype c) const;
    // A text field's bytes as stored, untrimmed; a number field's decimal text. Valid until
    // the next call of text().
    TextBytes text(qsizetype c);
    // A code's word, or a number's derived reading; empty when there is none. Valid until
    // the next call of word().
    QByteArrayView word(qsizetype c);

private:
    struct Column {
        const wire::Field *field = nullptr;
        FieldKind kind = FieldKind::Gauge;
        QHash<std::int64_t, QByteArray> words; // codes only: word by code, as seen
    };
    void mapFields();
    const FieldValue &value(qsizetype c) const { return m_rows.at(m_z - 1).at(c); }

    const ObjectModel &m_model;
    QList<FieldInfo> m_columns;
    int m_objectCount = 0;
    int m_z = 0;
    RecordView m_record; // the selected object's; empty bytes when it has none
    const wire::Field *m_mapped = nullptr;
    std::vector<Column> m_fields;    // the record's fields without padding
    QList<QList<FieldValue>> m_rows; // every object's values, read once if any is needed
    QByteArray m_text;
    QByteArray m_word;
    char m_digits[24] = {};
};

} // namespace exporting
} // namespace morvain
