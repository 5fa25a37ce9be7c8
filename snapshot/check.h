#pragma once
// morvain-snapshot --check: one round judged by threshold rules, reported the way
// monitoring plugins report: one status line, performance data after '|', and the exit
// code 0 OK, 1 WARNING, 2 CRITICAL, 3 UNKNOWN.

#include "options.h"
#include "snapshot_round.h"
#include "thresholds.h"

namespace morvain::snapshot
{

enum CheckStatus : int { CheckOk = 0, CheckWarning = 1, CheckCritical = 2, CheckUnknown = 3 };

// The rules each kind's models allow: their number fields.
thresholds::KindFields kindFields(const QList<ObjectModel *> &models);

// The status line of a round that ran: what the rules found, with what could not be known
// (refused rules, failed queries). Returns the exit code; `line` ends in a line feed.
int judgeRound(const SnapshotReport &report, const thresholds::RuleFile &rules, QString &line);

// The status line of a check that could not run (usage, rules file, library, query).
QString unknownLine(const QString &why);

// The whole check: reads the rules, runs the round, prints the line.
int runCheck(SnapshotRound &round, const Options &o);

} // namespace morvain::snapshot
