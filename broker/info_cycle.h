#pragma once
// The information call cycle: one query of one kind, call by call. For the broker object
// it is a single call; for the list kinds an information conversation that opens with
// "NEW"/"YES" and follows up with the returned conversation ID until "0003".
//
// Everything that differs between the list kinds is in the ListKind rows below.

#include "control_block.h"
#include "cycle_view.h"
#include "entry_point.h"
#include "error_text.h"
#include "info_request.h"

#include <QByteArray>

#include <functional>
#include <span>

namespace morvain
{

struct ListKind {
    const char *name;
    std::int32_t objectLength;
    std::int16_t objectKind;
    // "0003" on the opening call shows "EOC true!!!" first (services only).
    bool messageOnOpeningEnd;
    // The box for "0002" on a follow-up call; the opening call always says it with "!".
    const char *followUpUserMissing;
    // The reply of the follow-up call that reports "0003" is stored (all but workers).
    bool storesClosingReply;
    // Workers show the last call's error text, in the status bar and the header dialog,
    // after the loop; the others show the opening call's, in the status bar only.
    bool showsLastErrorText;
};

namespace kinds
{
inline constexpr ListKind worker{"worker", 12, 8, false, "User does not exist!", false, true};
inline constexpr ListKind service{"service", 160, 6, true, "User does not exist", true, false};
inline constexpr ListKind clientServer{"client/server",       276,  1,    false,
                                       "User does not exist", true, false};
inline constexpr ListKind conversation{"conversation",        364,  4,    false,
                                       "User does not exist", true, false};
inline constexpr std::int32_t brokerObjectLength = 92;
inline constexpr std::int16_t brokerObjectKind = 7;
} // namespace kinds

// A reply record as the cycle sees it: its bytes, and how to tidy it after a call.
struct ReplyArea {
    std::span<std::uint8_t> bytes;
    std::function<void()> afterCall;
};

template <class Reply> ReplyArea replyArea(Reply &reply)
{
    return {reply.span(), [&reply] { reply.clearPadding(); }};
}

class InfoCycle
{
public:
    InfoCycle(EntryPoint &entry, CycleView &view);

    // Start-up: constants and identity into the control block, word_4 := 1, eoc cleared.
    void startUp(const Identity &identity);

    // The broker object: one call; its error text to the status bar and header dialog.
    void runBroker(ReplyArea reply);

    // A list kind: store runs for every reply the kind keeps; listing runs after the loop,
    // before the error text is shown (the worker query lists its IDs there).
    void runList(const ListKind &kind, ReplyArea reply, const std::function<void()> &store,
                 const std::function<void()> &listing = {});

    ControlBlock &controlBlock() { return m_controlBlock; }
    const InfoRequest &request() const { return m_request; }
    const RequestTemplate &requestTemplate() const { return m_template; }
    const ErrorText &errorText() const { return m_errorText; }
    bool eocFlag() const { return m_eocFlag; }
    QByteArray lastConvId() const { return m_lastConvId; }

private:
    void openConversation();
    void prepareRequest(std::int32_t objectLength, std::int16_t objectKind);
    void call(ReplyArea &reply);
    bool resultIs(const char *code) const; // the 4-character result_code

    EntryPoint &m_entry;
    CycleView &m_view;
    ControlBlock m_controlBlock;
    RequestTemplate m_template;
    InfoRequest m_request;
    ErrorText m_errorText;
    bool m_eocFlag = false;
    QByteArray m_lastConvId;
};

} // namespace morvain
