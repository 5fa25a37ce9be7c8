#include "query_reading.h"

#include "text_support.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QRegularExpression>

namespace morvain
{

namespace
{
QString tr(const char *text)
{
    return QCoreApplication::translate("QueryReading", text);
}

QString clock(qint64 msecs)
{
    return QDateTime::fromMSecsSinceEpoch(msecs).toString(QStringLiteral("HH:mm:ss"));
}
} // namespace

QueryReading readingOf(const ObjectModel &model)
{
    QueryReading r;
    r.errorCode = model.header().error_code;
    r.failed = model.queryFailed();
    r.shown = model.shownCount();
    r.total = model.totalCount();
    return r;
}

QString errorCodeMeaning(int errorCode)
{
    switch (errorCode) {
    case 1:
        return tr("the broker could not be reached");
    case 2:
        return tr("the broker did not answer in time");
    case 3:
        return tr("the secure connection to the broker failed");
    case 4:
        return tr("the broker's answer could not be read");
    case 5:
        return tr("the client library could not load what it needs to reach the broker");
    case 6:
        return tr("the query ran out of time");
    case 7:
        return tr("the list of named brokers was refused");
    case 8:
        return tr("no broker goes by this broker ID");
    case 9:
        return tr("the broker ID cannot name a broker");
    case 10:
        return tr("the broker's scenario file is malformed");
    case 11:
        return tr("the client library refused the request");
    case 12:
        return tr("the client library lost the conversation");
    case 13:
        return tr("the client library had an internal error");
    case 401:
        return tr("the broker refused the credentials");
    case 403:
        return tr("the broker's user may not read this");
    case 404:
        return tr("the broker does not know what was asked for");
    default:
        break;
    }
    if (errorCode >= 500 && errorCode <= 599)
        return tr("the broker had an internal error");
    return tr("the client library reported a failure");
}

QString likelyFix(int errorCode)
{
    switch (errorCode) {
    case 1:
    case 2:
    case 3:
        return tr("Check the broker ID under Menu > Configure, and that the broker runs.");
    case 401:
    case 403:
        return tr("Check the credentials: the login in the broker ID and its password in "
                  "~/.netrc or the named broker's entry.");
    case 8:
    case 9:
        return tr("Check the broker ID under Menu > Configure: a URL, a name in brokers.json or "
                  "a scenario's name.");
    case 10:
        return tr("Correct the scenario file; OSTRANE_LOG=1 says where it goes wrong.");
    case 7:
        return tr("Make brokers.json and its password files readable by you alone "
                  "(chmod 600), or correct the list; OSTRANE_LOG=1 says which file and why.");
    default:
        return {};
    }
}

QString readingMessage(const QueryReading &reading, const ReadingText &text)
{
    if (reading.failed) {
        QString message = tr("Query failed at %1 (error %2: %3)")
                              .arg(clock(text.queriedAt))
                              .arg(reading.errorCode)
                              .arg(errorCodeMeaning(reading.errorCode));
        const QString said = shownText(QStringView(text.errorText)).toString();
        if (!said.isEmpty())
            message += tr(": \"%1\"").arg(said);
        // The broker object's reply keeps what the good query wrote; a list's objects of
        // that query stay in its table window.
        if (!text.lastGoodAt)
            message += tr(". No data yet.");
        else if (text.kindTitle.isEmpty())
            message += tr(". The values below are from %1.").arg(clock(*text.lastGoodAt));
        else
            message += tr(". The last good values, from %1, are kept in View > Tables.")
                           .arg(clock(*text.lastGoodAt));
        const QString fix = likelyFix(reading.errorCode);
        if (!fix.isEmpty())
            message += QLatin1Char(' ') + fix;
        return message;
    }
    QString message;
    if (reading.cut())
        message = tr("Showing %1 of %2 %3: the broker holds more than it sent.")
                      .arg(reading.shown)
                      .arg(reading.total)
                      .arg(text.kindTitle);
    // What the stand-in says a good query left out: "2 vhosts not readable by monitor",
    // "Ok, 2 of 3 instances". Only these shapes: a library that leaves the text alone
    // leaves the last query's there. A cut list's own count is said above.
    static const QRegularExpression partial(
        QStringLiteral("^(\\d+ vhosts not readable by .+|Ok, (\\d+) of (\\d+) .+)$"));
    const QString note = shownText(QStringView(text.openingText)).toString();
    const QRegularExpressionMatch said = partial.match(note);
    if (said.hasMatch() && !(reading.cut() && !said.captured(2).isEmpty()))
        message += (message.isEmpty() ? QString() : QStringLiteral(" ")) +
                   tr("Not all is shown: the broker says \"%1\".").arg(note);
    return message;
}

} // namespace morvain
