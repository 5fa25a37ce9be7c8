#include "fake_entry_point.h"

#include <cstring>

namespace morvain::test
{

int FakeEntryPoint::call(std::uint8_t *controlBlock, std::uint8_t *request, std::uint8_t *reply,
                         std::uint8_t *errorText)
{
    const int index = int(sent.size());
    sent.append({QByteArray(reinterpret_cast<char *>(controlBlock), 524),
                 QByteArray(reinterpret_cast<char *>(request), 220),
                 QByteArray(reinterpret_cast<char *>(errorText), 41)});
    ScriptedCall step;
    if (index < script.size())
        step = script.at(index);
    else if (generator)
        step = generator(index);
    else
        step.resultCode = "0003";

    std::memcpy(controlBlock + 316, step.resultCode.leftJustified(4, ' ', true).constData(), 4);
    if (!step.convId.isEmpty())
        std::memcpy(controlBlock + 292, step.convId.leftJustified(16, ' ', true).constData(), 16);
    if (!step.errorText.isNull()) {
        std::memset(errorText, 0, 40);
        std::memcpy(errorText, step.errorText.constData(), size_t(qMin(step.errorText.size(), 40)));
    }
    if (!step.reply.isEmpty())
        std::memcpy(reply, step.reply.constData(), size_t(step.reply.size()));
    if (step.extra)
        step.extra(controlBlock, request, reply, errorText);
    return step.result;
}

QList<int> kindsSent(const FakeEntryPoint &fake)
{
    QList<int> kinds;
    for (const SentCall &s : fake.sent)
        kinds << int(quint8(s.request[8]));
    return kinds;
}

QByteArray convIdFor(int i)
{
    return QByteArray("CONV").append(QByteArray::number(i).rightJustified(12, '0'));
}

ScriptedCall scriptedCall(const QByteArray &resultCode, int index, const QByteArray &reply)
{
    ScriptedCall c;
    c.resultCode = resultCode;
    c.convId = convIdFor(index);
    c.reply = reply;
    return c;
}

void scriptConversation(FakeEntryPoint &fake, int objects,
                        const std::function<QByteArray(int)> &makeReply, const QByteArray &closing)
{
    for (int i = 0; i < objects; ++i)
        fake.script.append(scriptedCall("0000", i, makeReply(i)));
    fake.script.append(scriptedCall("0003", objects, closing));
}

} // namespace morvain::test
