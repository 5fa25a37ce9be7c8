// tarnvel against recording client libraries. Each case copies the built libtarnvel.so
// into a fresh folder, beside a fake libOSTRANE.so or beside nothing, and loads it from
// there: tarnvel looks for OSTRANE only beside itself, so it binds whatever lies there.

#include "fake_ostrane.h"
#include "tarnvel.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLibrary>
#include <QTemporaryDir>
#include <QTest>

#include <climits>
#include <dlfcn.h>
#include <memory>

namespace
{

using BrokerFunction = decltype(&Broker);
using SetResultFunction = decltype(&fake_set_result);
using CallCountFunction = decltype(&fake_call_count);
using LastArgsFunction = decltype(&fake_last_args);

// The records as the program passes them; the stub must not care what lies behind them.
unsigned char controlBlock[524];
unsigned char request[220];
unsigned char reply[396];
unsigned char errorText[41];

quintptr address(void *p)
{
    return reinterpret_cast<quintptr>(p);
}

void *pointer(quintptr a)
{
    return reinterpret_cast<void *>(a);
}

// While a libOSTRANE.so is in the process, any further tarnvel binds that one whatever
// lies beside it, so every case has to leave none behind.
bool clientLibraryInProcess()
{
    void *handle = dlopen("libOSTRANE.so", RTLD_LAZY | RTLD_NOLOAD);
    if (handle)
        dlclose(handle);
    return handle != nullptr;
}

bool copyInto(const QString &file, const QDir &dir)
{
    return QFile::copy(file, dir.filePath(QFileInfo(file).fileName()));
}

} // namespace

class TarnvelTest : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    // Pass-through
    void call_forwardsAddressesInOrderUnchanged_data();
    void call_forwardsAddressesInOrderUnchanged();
    void call_returnsClientResultUnchanged_data();
    void call_returnsClientResultUnchanged();

    // Loading
    void loadAndUnload_withoutCall_callsNothing();
    void load_failsWithoutUsableClientLibrary_data();
    void load_failsWithoutUsableClientLibrary();

private:
    void placeTarnvel(const QString &clientLibrary);
    void loadBesideFake();

    std::unique_ptr<QTemporaryDir> m_dir;
    QLibrary m_tarnvel;
    QLibrary m_fake;
    BrokerFunction m_broker = nullptr;
    SetResultFunction m_setResult = nullptr;
    CallCountFunction m_callCount = nullptr;
    LastArgsFunction m_lastArgs = nullptr;
};

void TarnvelTest::init()
{
    QVERIFY2(!clientLibraryInProcess(), "a libOSTRANE.so is loaded before the case starts");
}

void TarnvelTest::cleanup()
{
    if (m_tarnvel.isLoaded())
        m_tarnvel.unload();
    if (m_fake.isLoaded())
        m_fake.unload();
    m_broker = nullptr;
    m_setResult = nullptr;
    m_callCount = nullptr;
    m_lastArgs = nullptr;
    m_dir.reset();
    QVERIFY2(!clientLibraryInProcess(), "unloading tarnvel left its client library loaded");
}

// A fresh folder with a copy of tarnvel and, unless empty, a copy of clientLibrary.
void TarnvelTest::placeTarnvel(const QString &clientLibrary)
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    const QDir dir(m_dir->path());
    QVERIFY(copyInto(QStringLiteral(TARNVEL_FILE), dir));
    if (!clientLibrary.isEmpty())
        QVERIFY(copyInto(clientLibrary, dir));
    m_tarnvel.setFileName(dir.filePath(QFileInfo(QStringLiteral(TARNVEL_FILE)).fileName()));
}

// Loads tarnvel beside the recording fake, then opens that same fake to read it back.
void TarnvelTest::loadBesideFake()
{
    placeTarnvel(QStringLiteral(FAKE_OSTRANE_FILE));
    if (QTest::currentTestFailed())
        return;
    QVERIFY2(m_tarnvel.load(), qPrintable(m_tarnvel.errorString()));
    m_broker = reinterpret_cast<BrokerFunction>(m_tarnvel.resolve("Broker"));
    QVERIFY(m_broker);

    m_fake.setFileName(QDir(m_dir->path()).filePath(QStringLiteral("libOSTRANE.so")));
    QVERIFY2(m_fake.load(), qPrintable(m_fake.errorString()));
    m_setResult = reinterpret_cast<SetResultFunction>(m_fake.resolve("fake_set_result"));
    m_callCount = reinterpret_cast<CallCountFunction>(m_fake.resolve("fake_call_count"));
    m_lastArgs = reinterpret_cast<LastArgsFunction>(m_fake.resolve("fake_last_args"));
    QVERIFY(m_setResult && m_callCount && m_lastArgs);
}

// --- Pass-through ------------------------------------------------------------------------

void TarnvelTest::call_forwardsAddressesInOrderUnchanged_data()
{
    QTest::addColumn<quintptr>("first");
    QTest::addColumn<quintptr>("second");
    QTest::addColumn<quintptr>("third");
    QTest::addColumn<quintptr>("fourth");

    const quintptr top = quintptr(1) << (sizeof(void *) * CHAR_BIT - 1);
    QTest::newRow("the four records")
        << address(controlBlock) << address(request) << address(reply) << address(errorText);
    QTest::newRow("records in reverse")
        << address(errorText) << address(reply) << address(request) << address(controlBlock);
    QTest::newRow("one record four times")
        << address(reply) << address(reply) << address(reply) << address(reply);
    QTest::newRow("null addresses") << quintptr(0) << quintptr(0) << quintptr(0) << quintptr(0);
    // Never dereferenced: all bits of an address must survive, the top ones too.
    QTest::newRow("odd and high addresses")
        << ~quintptr(0) << (top | 1) << quintptr(0xffffffffu) << quintptr(1);
}

void TarnvelTest::call_forwardsAddressesInOrderUnchanged()
{
    QFETCH(quintptr, first);
    QFETCH(quintptr, second);
    QFETCH(quintptr, third);
    QFETCH(quintptr, fourth);
    loadBesideFake();
    if (QTest::currentTestFailed())
        return;

    m_broker(pointer(first), pointer(second), pointer(third), pointer(fourth));

    QCOMPARE(m_callCount(), 1);
    void *received[4] = {};
    m_lastArgs(received);
    QCOMPARE(address(received[0]), first);
    QCOMPARE(address(received[1]), second);
    QCOMPARE(address(received[2]), third);
    QCOMPARE(address(received[3]), fourth);
}

void TarnvelTest::call_returnsClientResultUnchanged_data()
{
    QTest::addColumn<int>("result");

    QTest::newRow("zero") << 0;
    QTest::newRow("one") << 1;
    QTest::newRow("minus one") << -1;
    QTest::newRow("INT_MIN") << INT_MIN;
    QTest::newRow("INT_MAX") << INT_MAX;
}

void TarnvelTest::call_returnsClientResultUnchanged()
{
    QFETCH(int, result);
    loadBesideFake();
    if (QTest::currentTestFailed())
        return;
    m_setResult(result);

    QCOMPARE(m_broker(controlBlock, request, reply, errorText), result);
    QCOMPARE(m_callCount(), 1);
}

// --- Loading -----------------------------------------------------------------------------

void TarnvelTest::loadAndUnload_withoutCall_callsNothing()
{
    loadBesideFake();
    if (QTest::currentTestFailed())
        return;

    // The fake stays loaded through m_fake, so its counter survives tarnvel's unload.
    QVERIFY(m_tarnvel.unload());
    QVERIFY(m_tarnvel.load());
    QVERIFY(m_tarnvel.unload());
    QCOMPARE(m_callCount(), 0);

    // The counter is live: a call through a reloaded tarnvel reaches the same fake.
    QVERIFY(m_tarnvel.load());
    auto *broker = reinterpret_cast<BrokerFunction>(m_tarnvel.resolve("Broker"));
    QVERIFY(broker);
    broker(controlBlock, request, reply, errorText);
    QCOMPARE(m_callCount(), 1);
}

void TarnvelTest::load_failsWithoutUsableClientLibrary_data()
{
    QTest::addColumn<QString>("clientLibrary");
    QTest::addColumn<QString>("reason");

    // The real OSTRANE lies beside the program; a copy of tarnvel must not find it there.
    QTest::newRow("OSTRANE missing")
        << QString() << QStringLiteral("libOSTRANE.so: cannot open shared object file");
    // Bound at load time, so a missing entry fails the load, not a later call.
    QTest::newRow("entry number 1 missing") << QStringLiteral(FAKE_OSTRANE_NO_ENTRY_FILE)
                                            << QStringLiteral("undefined symbol: ostrane_entry_1");
}

void TarnvelTest::load_failsWithoutUsableClientLibrary()
{
    QFETCH(QString, clientLibrary);
    QFETCH(QString, reason);
    placeTarnvel(clientLibrary);
    if (QTest::currentTestFailed())
        return;

    QVERIFY(!m_tarnvel.load());
    QVERIFY2(m_tarnvel.errorString().contains(reason), qPrintable(m_tarnvel.errorString()));
}

QTEST_GUILESS_MAIN(TarnvelTest)
#include "tst_tarnvel.moc"
