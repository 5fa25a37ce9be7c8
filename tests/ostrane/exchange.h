#pragma once
// The four records of a call into the stand-in, built from raw bytes at the broker's
// documented offsets, each followed by guard bytes; shared by the stand-in's tests.

#include "ostrane.h"

#include <QByteArray>
#include <QList>
#include <QtEndian>

namespace ostrane_test
{

constexpr int control_size = 524, request_size = 220, error_text_size = 41;
constexpr int guard_size = 32;
constexpr char guard_fill = char(0xA5);
constexpr char untouched = char(0x5A); // reply bytes the library must leave alone
constexpr char sentinel = '~';         // stands in for the caller's 41st error-text byte

struct KindInfo {
    int code;
    int replySize;
};
constexpr KindInfo broker{7, 124}, worker{8, 44}, service{6, 192}, user{1, 308},
    conversation{4, 396};

inline QByteArray padded(const QByteArray &text, int width, char fill = ' ')
{
    return text.left(width) + QByteArray(qMax(0, width - int(text.size())), fill);
}
inline QByteArray le32(qint32 v)
{
    QByteArray b(4, 0);
    qToLittleEndian(v, b.data());
    return b;
}
inline QByteArray le16(qint16 v)
{
    QByteArray b(2, 0);
    qToLittleEndian(v, b.data());
    return b;
}
inline qint32 int32At(const QByteArray &b, int at)
{
    return qFromLittleEndian<qint32>(b.constData() + at);
}
inline qint16 int16At(const QByteArray &b, int at)
{
    return qFromLittleEndian<qint16>(b.constData() + at);
}
inline QByteArray trimmedText(const QByteArray &b, int at, int width)
{
    return b.mid(at, width).trimmed();
}

// The four records of one call, as the program would pass them.
class Exchange
{
public:
    explicit Exchange(KindInfo kind, const QByteArray &brokerId = {})
        : control(control_size + guard_size, guard_fill),
          request(request_size + guard_size, guard_fill),
          reply(kind.replySize + guard_size, guard_fill),
          errorText(error_text_size + guard_size, guard_fill), replySize(kind.replySize)
    {
        control.replace(0, control_size, QByteArray(control_size, 0));
        control[0] = control[1] = 1;
        control.replace(20, 4, le32(250));
        control.replace(24, 4, le32(500));
        control.replace(32, 4, le32(40));
        setBrokerId(padded(brokerId, 32));
        request.replace(0, request_size, QByteArray(request_size, 0));
        setRequest(kind.replySize - 32, qint16(kind.code));
        request.replace(4, 2, le16(1));
        reply.replace(0, replySize, QByteArray(replySize, untouched));
        errorText.replace(0, 41, QByteArray(40, 0) + sentinel);
        opening();
    }

    void setBrokerId(const QByteArray &id32) { control.replace(36, 32, padded(id32, 32, 0)); }
    void setRequest(qint32 objectLength, qint16 kind)
    {
        request.replace(0, 4, le32(objectLength));
        request.replace(8, 2, le16(kind));
    }
    void setCall(char callCode, const QByteArray &firstCall, const QByteArray &convId)
    {
        control[2] = callCode;
        control.replace(292, 16, padded(convId, 16));
        control.replace(308, 8, padded(firstCall, 8));
    }
    void opening() { setCall(1, "YES", "NEW"); }
    void followUp(const QByteArray &convId) { setCall(2, "NO", convId); }

    int call()
    {
        return ostrane_entry_1(control.data(), request.data(), reply.data(), errorText.data());
    }

    QByteArray resultCode() const { return control.mid(316, 4); }
    QByteArray convId() const { return control.mid(292, 16); }
    QByteArray text() const { return errorText.left(40); }
    QByteArray record() const { return reply.left(replySize); }
    QByteArray object() const { return reply.mid(32, replySize - 32); }
    qint32 header(int index) const { return int32At(reply, 4 * index); }

    bool guardsIntact() const
    {
        const auto intact = [](const QByteArray &b, int from) {
            return b.mid(from) == QByteArray(b.size() - from, guard_fill);
        };
        return intact(control, control_size) && intact(request, request_size) &&
               intact(reply, replySize) && intact(errorText, error_text_size) &&
               errorText[40] == sentinel;
    }

    QByteArray control, request, reply, errorText;
    int replySize;
};

// Opens a conversation and follows it to its end; the full reply of every call that
// carried an object.
inline QList<QByteArray> walk(KindInfo kind, const QByteArray &brokerId = {})
{
    QList<QByteArray> replies;
    Exchange x(kind, brokerId);
    for (int call = 0; call < 5000; ++call) {
        if (x.call() != 0 || x.resultCode() == "0003" || !x.guardsIntact())
            break;
        replies << x.record();
        x.followUp(x.convId());
    }
    return replies;
}

} // namespace ostrane_test
