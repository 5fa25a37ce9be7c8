#pragma once
// A snapshot round in the Prometheus text exposition format (version 0.0.4), for the
// node_exporter textfile collector or a scrape through a wrapper.
//
// - Every number field of a kind becomes the family morvain_<kind>_<field>: a gauge, or a
//   counter for fields that only grow; a code field is a gauge whose "word" label carries
//   its decoding.
// - Each sample is labelled with broker_id and with those of the object's fields named
//   server_class, server_name, service, user_id, conversation_id, worker_id (as the lists
//   show them: up to the first zero byte, blanks trimmed);
//   those fields are labels only. Other texts are left out.
// - Two objects with the same labels (equal IDs are stored as they come) would be one
//   series twice: every repeat after the first gets a "slot" label, its place in the table.
// - On RabbitMQ a service sample is a queue's (KindReport::series): one series per vhost
//   and queue, its consumers summed, whoever consumes it.
// - morvain_up, morvain_objects and morvain_objects_total say per kind whether its query
//   succeeded and how many objects it showed of how many; a failed kind has no other
//   sample, and the reply that ended a list is no object.
// - morvain_<kind>_stored_objects counts each kind's stored entries; no timestamps.

#include <QByteArray>

namespace morvain
{
struct SnapshotReport;

namespace prometheus
{
QByteArray document(const SnapshotReport &report);
} // namespace prometheus
} // namespace morvain
