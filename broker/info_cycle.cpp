#include "info_cycle.h"

#include <cstring>

namespace morvain
{

namespace
{
constexpr char userMissing[] = "0002";
constexpr char endOfConversation[] = "0003";
constexpr int resultCodeOffset = wire::find(layout::controlBlock, "result_code").offset;
} // namespace

// Compared where it lies: the cycle asks after every call, so no copy is made.
bool InfoCycle::resultIs(const char *code) const
{
    return std::memcmp(m_controlBlock.data() + resultCodeOffset, code, 4) == 0;
}

InfoCycle::InfoCycle(EntryPoint &entry, CycleView &view) : m_entry(entry), m_view(view) {}

void InfoCycle::startUp(const Identity &identity)
{
    fillAtStart(m_controlBlock, identity);
    // The broker query relies on this: it never sets word_4 itself.
    m_template.setInt16<"word_4">(1);
    m_eocFlag = false;
}

void InfoCycle::openConversation()
{
    m_eocFlag = false;
    m_controlBlock.setCode<"call_code">(0x01);
    m_controlBlock.setText<"first_call">(QStringLiteral("YES"));
    m_controlBlock.setText<"conv_id">(QStringLiteral("NEW"));
}

void InfoCycle::prepareRequest(std::int32_t objectLength, std::int16_t objectKind)
{
    m_template.setInt32<"object_length">(objectLength);
    m_template.setInt16<"word_4">(1);
    m_template.setInt16<"object_kind">(objectKind);
    m_request = m_template;
}

void InfoCycle::call(ReplyArea &reply)
{
    // The records are held in their wire form; the call reads and writes them in place,
    // so everything the library leaves in them is read back.
    m_entry.call(m_controlBlock.data(), m_request.data(), reply.bytes.data(),
                 m_errorText.prepareWire());
    m_controlBlock.clearPadding();
    reply.afterCall();
}

void InfoCycle::runBroker(ReplyArea reply)
{
    openConversation();
    m_template.setInt32<"object_length">(kinds::brokerObjectLength);
    m_template.setInt16<"object_kind">(kinds::brokerObjectKind);
    m_request = m_template;
    call(reply);
    m_view.showStatusMessage(m_errorText.visible());
    m_view.showHeaderMessage(m_errorText.visible());
}

void InfoCycle::runList(const ListKind &kind, ReplyArea reply, const std::function<void()> &store,
                        const std::function<void()> &listing)
{
    openConversation();
    prepareRequest(kind.objectLength, kind.objectKind);
    call(reply);
    if (resultIs(userMissing)) {
        m_view.brokerMessage(QStringLiteral("User does not exist!"));
    } else if (resultIs(endOfConversation)) {
        if (kind.messageOnOpeningEnd)
            m_view.brokerMessage(QStringLiteral("EOC true!!!"));
        m_eocFlag = true;
    }
    m_lastConvId = m_controlBlock.bytes<"conv_id">();
    if (!kind.showsLastErrorText)
        m_view.showStatusMessage(m_errorText.visible());
    store();

    while (!m_eocFlag) {
        m_controlBlock.setBytes<"conv_id">(m_lastConvId);
        m_controlBlock.setCode<"call_code">(0x02);
        m_controlBlock.setBytes<"first_call">(QByteArrayLiteral("NO")); // blank-padded
        prepareRequest(kind.objectLength, kind.objectKind);
        call(reply);
        if (resultIs(userMissing)) {
            m_view.brokerMessage(QString::fromLatin1(kind.followUpUserMissing));
        } else if (resultIs(endOfConversation)) {
            m_eocFlag = true;
            if (!kind.storesClosingReply)
                break;
        }
        m_lastConvId = m_controlBlock.bytes<"conv_id">();
        store();
    }

    if (listing)
        listing();
    if (kind.showsLastErrorText) {
        m_view.showStatusMessage(m_errorText.visible());
        m_view.showHeaderMessage(m_errorText.visible());
    }
}

} // namespace morvain
