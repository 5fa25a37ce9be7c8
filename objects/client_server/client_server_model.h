#pragma once
// The clients and servers without a window: the table of the last client/server query,
// the user IDs it lists, the decoding of character set, endian and status, and every
// field as values.

#include "client_server/client_server_reply.h"
#include "list_model.h"

#include <QStringList>

namespace morvain
{

// The words for the codes' decimal texts, or empty when a code has none.
QString charSetWord(const QString &text);
QString endianWord(const QString &text);
QString userStatusWord(const QString &text);

class ClientServerModel : public ListModel<ClientServerReply, ClientServerTable::slotCount>
{
public:
    explicit ClientServerModel(QObject *parent = nullptr);
};

} // namespace morvain
