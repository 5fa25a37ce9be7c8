#include "known_brokers.h"

#include "broker_list.h"

#include "whole_file.h"

#include <QCoreApplication>
#include <QDir>
#include <QJsonDocument>
#include <QJsonObject>

namespace morvain
{

namespace
{

constexpr int idWidth = 32; // characters of the broker ID in "Broker.cfg"

} // namespace

QString scenarioFolder()
{
    if (const QString set = qEnvironmentVariable("OSTRANE_SCENARIO_DIR"); !set.isEmpty())
        return set;
    return QCoreApplication::applicationDirPath() + QStringLiteral("/scenarios");
}

QStringList knownBrokerNames(const QString &listFile, const QString &scenarios)
{
    QStringList named;
    const SmallFile list = readSmallFile(listFile, 1024 * 1024);
    if (list.error.isEmpty())
        named = QJsonDocument::fromJson(withoutComments(list.bytes)).object().keys();
    QStringList files;
    for (const QString &file : QDir(scenarios).entryList({QStringLiteral("*.json")}, QDir::Files))
        files << file.chopped(5);
    files.sort();
    QStringList all;
    for (const QString &name : named + files)
        if (!name.trimmed().isEmpty() && name.size() <= idWidth && !all.contains(name))
            all << name;
    return all;
}

} // namespace morvain
