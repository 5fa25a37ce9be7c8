#include "probe_targets.h"

#include "query_reading.h"

#include <QElapsedTimer>

#include <algorithm>

namespace morvain::snapshot
{

namespace
{

// The client library's code for a broker ID that names nothing it knows.
constexpr int unknownBrokerCode = 8;

QByteArray labelText(const QString &text)
{
    QByteArray v = text.toUtf8();
    v.replace('\\', "\\\\").replace('"', "\\\"").replace('\n', "\\n");
    return v;
}

} // namespace

QString refusedTargetName(const QString &name)
{
    if (name.isEmpty())
        return QStringLiteral("No target: ask /probe?target=NAME.");
    if (name.size() > 32)
        return QStringLiteral("A target is a broker ID of at most 32 characters.");
    const bool plain = std::all_of(name.begin(), name.end(), [](QChar c) {
        return (c.isLetterOrNumber() && c.unicode() < 128) || c == u'.' || c == u'_' || c == u'-';
    });
    if (!plain || name.startsWith(u'.'))
        return QStringLiteral("A target is a name of brokers.json or a scenario (letters, "
                              "digits, '.', '_', '-'), never an address.");
    return {};
}

QByteArray withTargetLabel(const QByteArray &document, const QString &target)
{
    const QByteArray label = "target=\"" + labelText(target) + '"';
    QByteArray out;
    out.reserve(document.size() + document.count('\n') * (label.size() + 3));
    for (qsizetype from = 0; from < document.size();) {
        qsizetype end = document.indexOf('\n', from);
        end = end < 0 ? document.size() : end + 1;
        const QByteArray line = document.mid(from, end - from);
        if (line.startsWith('#') || line.trimmed().isEmpty()) {
            out += line;
        } else {
            // The metric's name ends at its labels or at the blank before its value.
            const qsizetype brace = line.indexOf('{');
            const qsizetype blank = line.indexOf(' ');
            if (brace >= 0 && (blank < 0 || brace < blank)) {
                const bool noLabels = line.size() > brace + 1 && line[brace + 1] == '}';
                out +=
                    line.first(brace + 1) + label + (noLabels ? "" : ",") + line.sliced(brace + 1);
            } else if (blank >= 0) {
                out += line.first(blank) + '{' + label + '}' + line.sliced(blank);
            } else {
                out += line;
            }
        }
        from = end;
    }
    return out;
}

ProbeTargets::ProbeTargets(EntryPoint &entry, const Identity &base, QStringList kinds,
                           std::function<void(const QString &)> printErr)
    : m_entry(entry), m_base(base), m_kinds(std::move(kinds)), m_printErr(std::move(printErr))
{
}

Answer ProbeTargets::round(const QString &target, quint64 number)
{
    std::unique_ptr<SnapshotRound> &kept = m_rounds[target];
    if (!kept) {
        kept = std::make_unique<SnapshotRound>(m_entry, [this, target](const QString &note) {
            m_printErr(target + QStringLiteral(": ") + note);
        });
        Identity identity = m_base;
        identity.brokerId = target;
        kept->startUp(identity);
    }
    QElapsedTimer took;
    took.start();
    Answer answer = roundAnswer(*kept, m_kinds, target, number, m_printErr);
    const double seconds = took.nsecsElapsed() / 1e9;
    const QList<ObjectModel *> models = kept->models();
    const bool unknown = std::all_of(models.begin(), models.end(), [this](ObjectModel *m) {
        return !m_kinds.contains(m->kindName()) || readingOf(*m).errorCode == unknownBrokerCode;
    });
    const std::lock_guard lock(m_mutex);
    if (unknown) {
        m_rounds.erase(target); // no cycle kept for a name that names nothing
        ++m_refused;
        return Answer{404, "Unknown target '" + target.toUtf8() +
                               "': no broker of brokers.json and no scenario has that name.\n"};
    }
    Stats &stats = m_stats[target];
    ++stats.rounds;
    stats.seconds = seconds;
    answer.body = withTargetLabel(answer.body, target);
    return answer;
}

void ProbeTargets::countRefused()
{
    const std::lock_guard lock(m_mutex);
    ++m_refused;
}

QByteArray ProbeTargets::selfDocument() const
{
    const std::lock_guard lock(m_mutex);
    QByteArray rounds = "# HELP morvain_probe_rounds_total Rounds run for each probe target.\n"
                        "# TYPE morvain_probe_rounds_total counter\n";
    QByteArray seconds =
        "# HELP morvain_probe_round_duration_seconds How long the target's last round took.\n"
        "# TYPE morvain_probe_round_duration_seconds gauge\n";
    for (const auto &[target, stats] : m_stats) {
        const QByteArray label = "{target=\"" + labelText(target) + "\"} ";
        rounds += "morvain_probe_rounds_total" + label + QByteArray::number(stats.rounds) + '\n';
        seconds += "morvain_probe_round_duration_seconds" + label +
                   QByteArray::number(stats.seconds, 'f', 6) + '\n';
    }
    return rounds + seconds +
           "# HELP morvain_probe_refused_total Probes refused: an unknown target, a name that "
           "is none, too many targets.\n# TYPE morvain_probe_refused_total counter\n"
           "morvain_probe_refused_total " +
           QByteArray::number(m_refused) + '\n';
}

} // namespace morvain::snapshot
