#pragma once
// The "Service of Conversation" boxes of the conversation page, as the service page
// writes them when it shows a service.

#include <QString>

namespace morvain
{

class ServiceOfConversation
{
public:
    virtual ~ServiceOfConversation() = default;
    // Each text as stored, blanks included.
    virtual void showService(const QString &serverClass, const QString &serverName,
                             const QString &service) = 0;
};

} // namespace morvain
