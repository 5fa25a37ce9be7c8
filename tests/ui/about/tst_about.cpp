// The About box: its texts, its ways to close, and "&System Info..." over a scripted
// configuration store.

#include "about/config_store.h"
#include "about/frm_about.h"
#include "about/sys_info.h"
#include "recording_presenter.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

using namespace morvain;

namespace
{

// Answers the values it was given, for exactly their root, key and value name.
class FakeStore : public ConfigStore
{
public:
    struct Value {
        QByteArray data;
        quint32 type;
    };
    QMap<QString, Value> values;
    QStringList existingFiles;
    bool startSucceeds = true;

    QStringList existenceChecks;
    QStringList started;

    static QString where(quint32 root, const QString &key, const QString &value)
    {
        return QString::number(root, 16) + '|' + key + '|' + value;
    }

    bool readValue(quint32 root, const QString &keyPath, const QString &valueName, QByteArray &data,
                   quint32 &type) override
    {
        const auto it = values.constFind(where(root, keyPath, valueName));
        if (it == values.constEnd())
            return false;
        data = it->data;
        type = it->type;
        return true;
    }
    bool fileExists(const QString &path) override
    {
        existenceChecks << path;
        return existingFiles.contains(path);
    }
    bool startDetached(const QString &program) override
    {
        started << program;
        return startSucceeds;
    }
};

constexpr quint32 REG_SZ = 1;
constexpr quint32 REG_DWORD = 4;
const QByteArray absent; // a null array: the value is not in the store

// A text as the registry returns it when the size counts the terminating zero.
QByteArray withZero(const char *text)
{
    return QByteArray(text, qsizetype(qstrlen(text)) + 1);
}

QString programEntry()
{
    return FakeStore::where(0x80000002, "SOFTWARE\\Microsoft\\Shared Tools\\MSINFO", "PATH");
}

QString folderEntry()
{
    return FakeStore::where(0x80000002, "SOFTWARE\\Microsoft\\Shared Tools Location", "MSINFO");
}

} // namespace

class TstAbout : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QApplication::setQuitOnLastWindowClosed(false); }

    void cleanup()
    {
        QTest::qWait(0); // deferred deletes
        for (QWidget *w : QApplication::topLevelWidgets())
            QVERIFY2(!w->isVisible(), qPrintable(w->windowTitle() + " was left on the screen"));
    }

    // ---- the box

    void box_showsTitleVersionAndPurpose()
    {
        FakeStore store;
        const std::unique_ptr<FrmAbout> about(new FrmAbout(nullptr, &store));
        about->show();
        QCOMPARE(about->windowTitle(), QString("About Morvain Service"));
        QCOMPARE(about->findChild<QLabel *>("lblTitle")->text(), QString("Morvain services"));
        QVERIFY(about->findChild<QLabel *>("lblTitle")->font().bold());
        QCOMPARE(about->findChild<QLabel *>("lblVersion")->text(),
                 morvain::versionLine(MORVAIN_VERSION_MAJOR, MORVAIN_VERSION_MINOR,
                                      MORVAIN_VERSION_PATCH));
        QCOMPARE(about->findChild<QLabel *>("lblDescription")->text(),
                 QString("Program is used to access Morvain services on the mainframe."));
        QVERIFY(!about->findChild<QLabel *>("picIcon")->pixmap().isNull());
        const auto *ok = about->findChild<QPushButton *>("cmdOK");
        QCOMPARE(ok->text(), QString("OK"));
        QVERIFY(ok->isDefault());
        QCOMPARE(about->findChild<QPushButton *>("cmdSysInfo")->text(), QString("&System Info..."));
        QVERIFY(!about->isModal());
        QVERIFY(about->testAttribute(Qt::WA_DeleteOnClose));
    }

    void versionLine_fromNumbers_data()
    {
        QTest::addColumn<int>("major");
        QTest::addColumn<int>("minor");
        QTest::addColumn<int>("revision");
        QTest::addColumn<QString>("line");
        QTest::newRow("1.0.0") << 1 << 0 << 0 << "Version 1.0.0";
        QTest::newRow("numbers of two digits") << 2 << 10 << 31 << "Version 2.10.31";
    }

    void versionLine_fromNumbers()
    {
        QFETCH(int, major);
        QFETCH(int, minor);
        QFETCH(int, revision);
        QFETCH(QString, line);
        QCOMPARE(morvain::versionLine(major, minor, revision), line);
    }

    void close_data()
    {
        QTest::addColumn<QString>("how");
        QTest::newRow("OK") << "OK";
        QTest::newRow("Enter") << "Enter";
        QTest::newRow("Esc") << "Esc";
        QTest::newRow("window closed") << "close";
    }

    // Each way closes the box and deletes it; the next "A&bout" builds a new one.
    void close()
    {
        QFETCH(QString, how);
        FakeStore store;
        QPointer<FrmAbout> about = new FrmAbout(nullptr, &store);
        about->show();
        QVERIFY(QTest::qWaitForWindowExposed(about));
        if (how == "OK")
            QTest::mouseClick(about->findChild<QPushButton *>("cmdOK"), Qt::LeftButton);
        else if (how == "Enter")
            QTest::keyClick(about, Qt::Key_Return);
        else if (how == "Esc")
            QTest::keyClick(about, Qt::Key_Escape);
        else
            about->close();
        QTRY_VERIFY(about.isNull());
    }

    // A second "A&bout" while the box is open shows that one; after a close, a new one.
    void showOne_keepsOneBoxAtATime()
    {
        FakeStore store;
        QPointer<FrmAbout> first = FrmAbout::showOne(nullptr, &store);
        QVERIFY(first->isVisible());
        QCOMPARE(FrmAbout::showOne(nullptr, &store), first.data());
        const auto boxes = [] {
            int n = 0;
            for (QWidget *w : QApplication::topLevelWidgets())
                n += qobject_cast<FrmAbout *>(w) != nullptr;
            return n;
        };
        QCOMPARE(boxes(), 1);
        first->cmdOK_Click();
        const QPointer<FrmAbout> second = FrmAbout::showOne(nullptr, &store);
        QVERIFY(second != first && second->isVisible());
        second->cmdOK_Click();
        QTRY_VERIFY(first.isNull() && second.isNull());
    }

    // ---- "&System Info..."

    void sysInfo_data()
    {
        QTest::addColumn<QByteArray>("program");
        QTest::addColumn<quint32>("programType");
        QTest::addColumn<QByteArray>("folder");
        QTest::addColumn<QStringList>("existing");
        QTest::addColumn<bool>("startSucceeds");
        QTest::addColumn<QStringList>("checked");
        QTest::addColumn<QStringList>("started");
        QTest::addColumn<bool>("unavailable");

        const QByteArray program = withZero("C:\\Program Files\\Info\\msinfo32.exe");
        const QString programPath = "C:\\Program Files\\Info\\msinfo32.exe";
        const QByteArray folder = withZero("C:\\Info");
        const QString inFolder = "C:\\Info\\MSINFO32.EXE";

        QTest::newRow("program registered: started without an existence test")
            << program << REG_SZ << folder << QStringList() << true << QStringList()
            << QStringList{programPath} << false;
        QTest::newRow("only the folder, program in it")
            << absent << REG_SZ << folder << QStringList{inFolder} << true << QStringList{inFolder}
            << QStringList{inFolder} << false;
        QTest::newRow("only the folder, no program in it")
            << absent << REG_SZ << folder << QStringList() << true << QStringList{inFolder}
            << QStringList() << true;
        QTest::newRow("nothing registered") << absent << REG_SZ << absent << QStringList() << true
                                            << QStringList() << QStringList() << true;
        QTest::newRow("registered program does not start")
            << program << REG_SZ << folder << QStringList() << false << QStringList()
            << QStringList{programPath} << true;
        QTest::newRow("registered value not text: no path, no fallback")
            << QByteArray("\x01\x00\x00\x00", 4) << REG_DWORD << folder << QStringList{inFolder}
            << true << QStringList() << QStringList() << true;
    }

    void sysInfo()
    {
        QFETCH(QByteArray, program);
        QFETCH(quint32, programType);
        QFETCH(QByteArray, folder);
        QFETCH(QStringList, existing);
        QFETCH(bool, startSucceeds);
        QFETCH(QStringList, checked);
        QFETCH(QStringList, started);
        QFETCH(bool, unavailable);

        // GIVEN a store with these entries
        FakeStore store;
        if (!program.isNull())
            store.values[programEntry()] = {program, programType};
        if (!folder.isNull())
            store.values[folderEntry()] = {folder, REG_SZ};
        store.existingFiles = existing;
        store.startSucceeds = startSucceeds;
        test::RecordingPresenter boxes;
        const std::unique_ptr<FrmAbout> about(new FrmAbout(nullptr, &store));
        about->show();

        // WHEN "&System Info..." is pressed
        QTest::mouseClick(about->findChild<QPushButton *>("cmdSysInfo"), Qt::LeftButton);

        // THEN exactly this was looked for and started, and the box stays open
        QCOMPARE(store.existenceChecks, checked);
        QCOMPARE(store.started, started);
        if (unavailable)
            QCOMPARE(boxes.shown,
                     (QList<QPair<QString, QString>>{
                         {"Morvain Service", "System Information Is Unavailable At This Time"}}));
        else
            QVERIFY(boxes.shown.isEmpty());
        QVERIFY(about->isVisible());
    }

    void getKeyValue_data()
    {
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<quint32>("type");
        QTest::addColumn<bool>("read");
        QTest::addColumn<QString>("text");

        QTest::newRow("size counts the terminating zero")
            << QByteArray("C:\\x.exe\0", 9) << REG_SZ << true << "C:\\x.exe";
        QTest::newRow("size without the zero")
            << QByteArray("C:\\x.exe") << REG_SZ << true << "C:\\x.exe";
        QTest::newRow("only the last zero is cut")
            << QByteArray("ab\0\0", 4) << REG_SZ << true << QString::fromLatin1("ab\0", 3);
        QTest::newRow("empty text with its zero") << QByteArray("\0", 1) << REG_SZ << true << "";
        QTest::newRow("no bytes at all") << QByteArray("") << REG_SZ << true << "";
        QTest::newRow("not text: read, but no usable path")
            << QByteArray("\x2a\x00\x00\x00", 4) << REG_DWORD << true << "";
        QTest::newRow("value missing") << absent << REG_SZ << false << "";
    }

    void getKeyValue()
    {
        QFETCH(QByteArray, data);
        QFETCH(quint32, type);
        QFETCH(bool, read);
        QFETCH(QString, text);
        FakeStore store;
        if (!data.isNull())
            store.values[FakeStore::where(0x80000002, "Some\\Key", "Name")] = {data, type};
        QString keyVal = "left over";
        QCOMPARE(GetKeyValue(store, 0x80000002, "Some\\Key", "Name", keyVal), read);
        QCOMPARE(keyVal, text);
    }

#ifndef Q_OS_WIN
    // Here the program entry is the first known system monitor on PATH; there is no
    // folder entry.
    void systemStore_findsProgramOnPath()
    {
        QTemporaryDir bin;
        const QByteArray oldPath = qgetenv("PATH");
        qputenv("PATH", bin.path().toLocal8Bit());
        auto lookUp = [](const QString &key, const QString &value, QString &text) {
            return GetKeyValue(systemConfigStore(), sysinfo::localMachine, key, value, text);
        };
        QString none, program, folder;
        const bool foundNone = lookUp(sysinfo::programKey, sysinfo::programValue, none);
        QFile tool(bin.filePath("xfce4-taskmanager"));
        QVERIFY(tool.open(QIODevice::WriteOnly));
        tool.setPermissions(QFile::ReadOwner | QFile::ExeOwner);
        tool.close();
        const bool foundProgram = lookUp(sysinfo::programKey, sysinfo::programValue, program);
        const bool foundFolder = lookUp(sysinfo::folderKey, sysinfo::folderValue, folder);
        qputenv("PATH", oldPath);

        QVERIFY(!foundNone);
        QVERIFY(foundProgram);
        QCOMPARE(program, tool.fileName());
        QVERIFY(!foundFolder);
    }
#endif
};

QTEST_MAIN(TstAbout)
#include "tst_about.moc"
