// Binding Broker at run time: each way it can fail carries its own number, and tarnvel is
// only ever taken from the folder it is given. Nothing here may load the real OSTRANE:
// once loaded, the dynamic linker would hand it to every later tarnvel in the process.
// The end-to-end tests cover the real libraries.

#include "query_failure.h"
#include "tarnvel_binding.h"
#include "temp_workdir.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

using namespace morvain;

namespace
{

bool copyInto(const QString &file, const QString &dir, const QString &as = {})
{
    return QFile::copy(file, dir + "/" + (as.isEmpty() ? QFileInfo(file).fileName() : as));
}

int failureNumber(TarnvelBinding &binding)
{
    std::uint8_t cb[524]{}, rq[220]{}, rp[400]{}, et[41]{};
    try {
        binding.call(cb, rq, rp, et);
    } catch (const QueryFailure &f) {
        return f.number();
    }
    return 0;
}

} // namespace

class TestBinding : public QObject
{
    Q_OBJECT
private slots:
    void failures_carryTheirNumbers_data();
    void failures_carryTheirNumbers();
    void libraryInCurrentDirectory_isNeverLoaded();
};

void TestBinding::failures_carryTheirNumbers_data()
{
    QTest::addColumn<QStringList>("files"); // what the program's folder holds
    QTest::addColumn<int>("number");
    QTest::newRow("no tarnvel") << QStringList{} << 53;
    QTest::newRow("tarnvel without OSTRANE") << QStringList{TARNVEL_FILE} << 48;
    QTest::newRow("tarnvel without Broker") << QStringList{NO_BROKER_FILE} << 453;
}

void TestBinding::failures_carryTheirNumbers()
{
    QFETCH(QStringList, files);
    QTemporaryDir programDir;
    for (const QString &f : files)
        QVERIFY(copyInto(f, programDir.path(), TarnvelBinding::libraryFileName()));
    TarnvelBinding binding(programDir.path());
    QTEST(failureNumber(binding), "number");
}

void TestBinding::libraryInCurrentDirectory_isNeverLoaded()
{
    test::TempWorkdir cwd;
    QVERIFY(copyInto(TARNVEL_FILE, cwd.path()));
    QVERIFY(copyInto(OSTRANE_FILE, cwd.path()));
    QTemporaryDir emptyProgramDir;
    TarnvelBinding binding(emptyProgramDir.path());
    QCOMPARE(failureNumber(binding), 53);
}

QTEST_GUILESS_MAIN(TestBinding)
#include "tst_binding.moc"
