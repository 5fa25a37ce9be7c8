#include "export_file.h"

#include "dialogs.h"
#include "whole_file.h"

#include <QCoreApplication>

namespace morvain
{

bool exportFile(const QString &title, const QString &path, const QByteArray &bytes)
{
    const QString failed = writeWholeFile(path, bytes);
    if (failed.isEmpty())
        return true;
    dialogs::message(
        title, QCoreApplication::translate("morvain::ExportFile", "Cannot write the file '%1': %2.")
                   .arg(path, failed));
    return false;
}

} // namespace morvain
