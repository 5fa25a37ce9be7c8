#pragma once
// A scripted Broker: plays result codes, conversation IDs, error texts and replies call by
// call, and records what the program sent on every call.

#include "entry_point.h"

#include <QByteArray>
#include <QList>

#include <functional>

namespace morvain::test
{

struct ScriptedCall {
    QByteArray resultCode = "0000"; // written at result_code (4 bytes)
    QByteArray convId;              // written at conv_id (16 bytes) when not empty
    QByteArray errorText;           // when not null: the 40 characters written back
    QByteArray reply;               // when not empty: copied over the reply record
    // Anything else a test wants the "library" to do with the four records.
    std::function<void(std::uint8_t *cb, std::uint8_t *rq, std::uint8_t *rp, std::uint8_t *et)>
        extra;
    int result = 0;
};

struct SentCall {
    QByteArray controlBlock; // 524 bytes as they went out
    QByteArray request;      // 220 bytes
    QByteArray errorText;    // 41 bytes
};

class FakeEntryPoint : public EntryPoint
{
public:
    // Calls beyond the script come from `generator` when set, else answer "0003".
    QList<ScriptedCall> script;
    std::function<ScriptedCall(int callIndex)> generator;
    QList<SentCall> sent;

    int call(std::uint8_t *controlBlock, std::uint8_t *request, std::uint8_t *reply,
             std::uint8_t *errorText) override;
    // A new script: it is played by the number of calls sent, which counts from here.
    void restart()
    {
        script.clear();
        sent.clear();
    }
};

// Call `index` of a conversation: its result code, its conversation ID and its reply bytes.
ScriptedCall scriptedCall(const QByteArray &resultCode, int index, const QByteArray &reply);

// A conversation of n objects, then "0003" on call n + 1; reply bytes from makeReply(i),
// and on the closing call `closing` (none: the reply area stays as it was).
void scriptConversation(FakeEntryPoint &fake, int objects,
                        const std::function<QByteArray(int)> &makeReply,
                        const QByteArray &closing = {});

// The request's object kind of every call sent; against an empty broker, one per query.
QList<int> kindsSent(const FakeEntryPoint &fake);

// A 16-character conversation ID.
QByteArray convIdFor(int i);

} // namespace morvain::test
