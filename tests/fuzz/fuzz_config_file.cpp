// "Broker.cfg" from arbitrary bytes: read back as the start and the dialog read it, the
// five fields taken out and put back. Every record read must survive that unchanged, and
// the dialog must save every field it was not asked to change byte for byte or as blanks.

#include "config/config_file.h"
#include "config/frm_config.h"
#include "dialogs.h"
#include "quiet_presenter.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cstdlib>
#include <memory>

using namespace morvain;
using namespace morvain::fuzz;

namespace
{

QByteArray fileBytes()
{
    QFile f(configFileName);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    startQuietly(argc, argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *bytes, std::size_t size)
{
    const QByteArray input(reinterpret_cast<const char *>(bytes), qsizetype(size));
    {
        QFile f(configFileName);
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(input) != input.size())
            std::abort();
    }
    const ConfigRecord record = readConfigFile();
    if (recordOf(identityOf(record)) != record)
        std::abort(); // every byte comes back through the identity
    try {
        FrmConfig dialog([](const Identity &) {});
        dialog.cmdSave_Click();
    } catch (const Ended &) {
        std::abort(); // a regular file never fails
    }
    const QByteArray saved = fileBytes();
    if (saved.size() != std::max<qsizetype>(input.size(), ConfigRecord::size) ||
        saved.mid(ConfigRecord::size) != input.mid(ConfigRecord::size))
        std::abort(); // bytes beyond the record are never changed
    for (qsizetype i = 0; i < ConfigRecord::size; ++i)
        if (saved[i] != (i < input.size() ? input[i] : '\0') && saved[i] != ' ')
            std::abort(); // an unedited byte is kept, or becomes a blank
    return 0;
}
