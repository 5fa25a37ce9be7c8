// The wire form of the records: where every value lands, padding, read-back rules.

#include "control_block.h"
#include "error_text.h"
#include "info_request.h"
#include "reply_header.h"

#include <QTest>

using namespace morvain;

namespace
{

using Spans = QList<QPair<int, int>>;

template <class R> QByteArray raw(const R &r)
{
    return QByteArray(reinterpret_cast<const char *>(r.data()), R::size);
}

template <std::size_t N> Spans offsets(const std::array<wire::Field, N> &table)
{
    Spans out;
    for (const auto &f : table)
        out.append({f.offset, f.width});
    return out;
}

} // namespace

class TestRecords : public QObject
{
    Q_OBJECT
private slots:
    void fieldTables_matchTheLayouts_data();
    void fieldTables_matchTheLayouts();
    void integers_areLittleEndianAtTheirOffsets();
    void assignedText_isBlankPaddedAndCut_data();
    void assignedText_isBlankPaddedAndCut();
    void startUp_fillsConstantsAndIdentity_andLeavesTheRestZero();
    void identity_landsAt164_36_68_100_132();
    void unrepresentableCharacters_becomeQuestionMarks();
    void errorText_visiblePartEndsAtFirstZero();
    void errorText_41stByteIsZeroOnTheWayOut();
};

void TestRecords::fieldTables_matchTheLayouts_data()
{
    QTest::addColumn<Spans>("fields");
    QTest::addColumn<Spans>("expected");
    QTest::newRow("control block")
        << offsets(layout::controlBlock)
        << Spans{{0, 1},    {1, 1},    {2, 1},    {3, 1},    {4, 16},   {20, 4},   {24, 4},
                 {28, 4},   {32, 4},   {36, 32},  {68, 32},  {100, 32}, {132, 32}, {164, 32},
                 {196, 32}, {228, 32}, {260, 32}, {292, 16}, {308, 8},  {316, 4},  {320, 4},
                 {324, 32}, {356, 16}, {372, 1},  {373, 48}, {421, 16}, {437, 1},  {438, 8},
                 {446, 1},  {447, 4},  {451, 32}, {483, 8},  {491, 32}, {523, 1}};
    QTest::newRow("request") << offsets(layout::infoRequest)
                             << Spans{{0, 4},    {4, 2},    {6, 2},    {8, 2},
                                      {10, 32},  {42, 32},  {74, 32},  {106, 32},
                                      {138, 32}, {170, 32}, {202, 16}, {218, 2}};
    QTest::newRow("reply header") << offsets(layout::replyHeader)
                                  << Spans{{0, 4},  {4, 4},  {8, 4},  {12, 4},
                                           {16, 4}, {20, 4}, {24, 4}, {28, 4}};
}

void TestRecords::fieldTables_matchTheLayouts()
{
    QFETCH(Spans, fields);
    QFETCH(Spans, expected);
    QCOMPARE(fields, expected);
    QCOMPARE(ControlBlock::size, 524);
    QCOMPARE(InfoRequest::size, 220);
}

void TestRecords::integers_areLittleEndianAtTheirOffsets()
{
    InfoRequest rq;
    rq.setInt32<"object_length">(-2);
    rq.setInt16<"object_kind">(0x0107);
    rq.setInt16<"word_218">(-1);
    const QByteArray b = raw(rq);
    QCOMPARE(b.mid(0, 4), QByteArray("\xfe\xff\xff\xff", 4));
    QCOMPARE(b.mid(8, 2), QByteArray("\x07\x01", 2));
    QCOMPARE(b.mid(218, 2), QByteArray("\xff\xff", 2));
    QCOMPARE(rq.int32<"object_length">(), -2);
    QCOMPARE(rq.int16<"word_218">(), -1);
}

void TestRecords::assignedText_isBlankPaddedAndCut_data()
{
    QTest::addColumn<QString>("value");
    QTest::addColumn<QByteArray>("convId");
    QTest::addColumn<QByteArray>("firstCall");
    QTest::newRow("NEW") << "NEW" << QByteArray("NEW             ") << QByteArray("NEW     ");
    QTest::newRow("YES") << "YES" << QByteArray("YES             ") << QByteArray("YES     ");
    QTest::newRow("NO") << "NO" << QByteArray("NO              ") << QByteArray("NO      ");
    QTest::newRow("empty") << "" << QByteArray(16, ' ') << QByteArray(8, ' ');
    QTest::newRow("too long") << "ABCDEFGHIJKLMNOPQRSTUVWXYZ" << QByteArray("ABCDEFGHIJKLMNOP")
                              << QByteArray("ABCDEFGH");
}

void TestRecords::assignedText_isBlankPaddedAndCut()
{
    QFETCH(QString, value);
    ControlBlock cb;
    cb.setText<"conv_id">(value);
    cb.setText<"first_call">(value);
    QTEST(raw(cb).mid(292, 16), "convId");
    QTEST(raw(cb).mid(308, 8), "firstCall");
    QCOMPARE(raw(cb).mid(316, 4), QByteArray(4, '\0')); // the neighbour is untouched
}

void TestRecords::startUp_fillsConstantsAndIdentity_andLeavesTheRestZero()
{
    ControlBlock cb;
    fillAtStart(cb, {"U", "B", "C", "N", "S"});
    const QByteArray b = raw(cb);
    QCOMPARE(b.mid(0, 4), QByteArray("\x01\x01\x00\x00", 4));
    QCOMPARE(b.mid(4, 16), QByteArray(16, '\0'));
    QCOMPARE(cb.int32<"int_20">(), 250);
    QCOMPARE(cb.int32<"int_24">(), 500);
    QCOMPARE(cb.int32<"int_28">(), 0);
    QCOMPARE(cb.int32<"error_text_length">(), 40);
    QCOMPARE(b.mid(292, 16), QByteArray("NEW             "));
    // never assigned: zero bytes, not blanks
    QCOMPARE(b.mid(196, 96), QByteArray(96, '\0'));
    QCOMPARE(b.mid(308, 216), QByteArray(216, '\0'));
}

void TestRecords::identity_landsAt164_36_68_100_132()
{
    ControlBlock cb;
    assignIdentity(cb, {"user", "broker", "class", "name", "service"});
    const QByteArray b = raw(cb);
    QCOMPARE(b.mid(164, 32), QByteArray("user").leftJustified(32, ' '));
    QCOMPARE(b.mid(36, 32), QByteArray("broker").leftJustified(32, ' '));
    QCOMPARE(b.mid(68, 32), QByteArray("class").leftJustified(32, ' '));
    QCOMPARE(b.mid(100, 32), QByteArray("name").leftJustified(32, ' '));
    QCOMPARE(b.mid(132, 32), QByteArray("service").leftJustified(32, ' '));

    // Fields read from an empty "Broker.cfg" are 32 zero characters and go out as such.
    assignIdentity(cb, {QString(32, QChar(0)), {}, {}, {}, {}});
    QCOMPARE(raw(cb).mid(164, 32), QByteArray(32, '\0'));
}

void TestRecords::unrepresentableCharacters_becomeQuestionMarks()
{
    ControlBlock cb;
    cb.setText<"user_id">(QString::fromUtf8("Jürgen€"));
    QCOMPARE(cb.bytes<"user_id">().left(7), QByteArray("J\xfcrgen?"));
    QCOMPARE(cb.text<"user_id">().left(7), QString::fromUtf8("Jürgen?"));
}

void TestRecords::errorText_visiblePartEndsAtFirstZero()
{
    ErrorText et;
    et.setCharacters(QByteArray("Ok\0hidden", 9));
    QCOMPARE(et.visible(), QString("Ok"));
    QCOMPARE(et.characters().size(), 40);
    QCOMPARE(et.characters().mid(3, 6), QByteArray("hidden"));
    et.setCharacters(QByteArray(40, 'x'));
    QCOMPARE(et.visible(), QString(40, 'x'));
}

void TestRecords::errorText_41stByteIsZeroOnTheWayOut()
{
    ErrorText et;
    std::uint8_t *wire = et.prepareWire();
    std::memset(wire, 'Z', 41); // a library writing one byte too many
    wire = et.prepareWire();
    QCOMPARE(int(wire[40]), 0);
    QCOMPARE(et.visible(), QString(40, 'Z'));
}

QTEST_GUILESS_MAIN(TestRecords)
#include "tst_records.moc"
