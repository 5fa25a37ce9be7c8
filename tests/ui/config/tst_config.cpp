// "Broker.cfg" and the configuration dialog, each case in a fresh working directory.

#include "config/config_file.h"
#include "config/frm_config.h"
#include "recording_presenter.h"
#include "temp_workdir.h"

#include <QElapsedTimer>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <csignal>
#include <cstring>
#include <memory>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

using namespace morvain;
using namespace morvain::test;

namespace
{

QByteArray fileBytes()
{
    QFile f(configFileName);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeFileBytes(const QByteArray &bytes)
{
    QFile f(configFileName);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
}

QLineEdit *box(QWidget &w, const char *name)
{
    return w.findChild<QLineEdit *>(name);
}

// Puts something that is not a regular file where "Broker.cfg" lies.
void plantSpecialFile(const QString &kind)
{
    QFile::remove(configFileName);
    if (kind == "FIFO") {
        QCOMPARE(::mkfifo("Broker.cfg", 0600), 0);
    } else if (kind == "socket") {
        const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::strcpy(address.sun_path, "Broker.cfg");
        QCOMPARE(::bind(fd, reinterpret_cast<sockaddr *>(&address), sizeof address), 0);
        ::close(fd);
    } else {
        QVERIFY(QFile::link("/dev/zero", configFileName)); // a device, through a link
    }
}

const char *const boxNames[] = {"txtUser_id", "txtBroker_id", "txtServer_class", "txtServer_name",
                                "txtService"};

} // namespace

class TestConfig : public QObject
{
    Q_OBJECT
private slots:
    void missingFile_isCreatedEmpty_andReadsAsZeros();
    void shortOrLongFile_readsTheFirst160Bytes();
    void dialog_showsTheFieldsUntrimmed();
    void save_fitsEachValueTo32_data();
    void save_fitsEachValueTo32();
    void save_keepsBytesBeyond160();
    void save_ofEmptyBoxesWrites160Blanks();
    void save_appliesIdentityAtOnce_andCancelBecomesClose();
    void cancel_hidesAndKeepsState();
    void closeThroughFrame_unloads();
    void unwritableDirectory_endsTheProgramWithAMessage();
    void notARegularFile_endsTheProgramAtOnce_data();
    void notARegularFile_endsTheProgramAtOnce();
    void writeFailure_namesTheAbsolutePath();
    void tooLong_saysSoAndShowsWhatWasSaved_data();
    void tooLong_saysSoAndShowsWhatWasSaved();
    void failure_namesThePathByteForByte_data();
    void failure_namesThePathByteForByte();
    void save_keepsUneditedFieldsWhole_data();
    void save_keepsUneditedFieldsWhole();
    void captions();
};

void TestConfig::missingFile_isCreatedEmpty_andReadsAsZeros()
{
    TempWorkdir dir;
    const ConfigRecord r = readConfigFile();
    QVERIFY(QFile::exists(configFileName));
    QCOMPARE(QFile(configFileName).size(), 0);
    QCOMPARE(identityOf(r).userId, QString(32, QChar(0)));
    QCOMPARE(identityOf(r).service, QString(32, QChar(0)));
}

void TestConfig::shortOrLongFile_readsTheFirst160Bytes()
{
    TempWorkdir dir;
    writeFileBytes(QByteArray("ME"));
    Identity id = identityOf(readConfigFile());
    QCOMPARE(id.userId, QString("ME") + QString(30, QChar(0)));

    QByteArray bytes;
    for (const char *field : {"U", "B", "C", "N", "S"})
        bytes += QByteArray(field).leftJustified(32, ' ');
    writeFileBytes(bytes + "TRAILING");
    id = identityOf(readConfigFile());
    QCOMPARE(id.userId, QString("U").leftJustified(32, ' '));
    QCOMPARE(id.brokerId, QString("B").leftJustified(32, ' '));
    QCOMPARE(id.service, QString("S").leftJustified(32, ' '));
}

void TestConfig::dialog_showsTheFieldsUntrimmed()
{
    TempWorkdir dir;
    writeFileBytes(QByteArray("  user  ").leftJustified(32, ' ') + QByteArray(128, '\0'));
    FrmConfig dialog([](const Identity &) {});
    QCOMPARE(box(dialog, "txtUser_id")->text(), QString("  user  ").leftJustified(32, ' '));
    QCOMPARE(box(dialog, "txtBroker_id")->text(), QString()); // zero bytes show empty
}

void TestConfig::save_fitsEachValueTo32_data()
{
    QTest::addColumn<int>("field");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QByteArray>("stored");
    QTest::newRow("40-character user ID") << 0 << QString(40, 'u') << QByteArray(32, 'u');
    QTest::newRow("two-character service")
        << 4 << QString("SV") << QByteArray("SV").leftJustified(32, ' ');
    QTest::newRow("blanks kept") << 2 << QString(" C ") << QByteArray(" C ").leftJustified(32, ' ');
    QTest::newRow("Latin-1") << 3 << QString::fromUtf8("Zürich")
                             << QByteArray("Z\xfcrich").leftJustified(32, ' ');
}

void TestConfig::save_fitsEachValueTo32()
{
    QFETCH(int, field);
    QFETCH(QString, typed);
    QFETCH(QByteArray, stored);
    TempWorkdir dir;
    Identity applied;
    FrmConfig dialog([&](const Identity &id) { applied = id; });
    box(dialog, boxNames[field])->setText(typed);
    dialog.cmdSave_Click();
    QCOMPARE(fileBytes().mid(32 * field, 32), stored);
    const QString fields[] = {applied.userId, applied.brokerId, applied.serverClass,
                              applied.serverName, applied.service};
    QCOMPARE(fields[field], QString::fromLatin1(stored));

    ControlBlock cb;
    assignIdentity(cb, applied);
    const int cbOffset[] = {164, 36, 68, 100, 132};
    QCOMPARE(QByteArray(reinterpret_cast<const char *>(cb.data()) + cbOffset[field], 32), stored);
}

void TestConfig::save_keepsBytesBeyond160()
{
    TempWorkdir dir;
    QByteArray tail;
    for (int i = 0; i < 40; ++i)
        tail += char(i * 5);
    writeFileBytes(QByteArray(160, 'x') + tail);
    FrmConfig dialog([](const Identity &) {});
    dialog.cmdSave_Click();
    const QByteArray after = fileBytes();
    QCOMPARE(after.size(), 200);
    QCOMPARE(after.mid(160), tail);
    QCOMPARE(after.left(32), QByteArray(32, 'x'));
}

void TestConfig::save_ofEmptyBoxesWrites160Blanks()
{
    TempWorkdir dir;
    FrmConfig dialog([](const Identity &) {});
    for (const char *name : boxNames)
        QCOMPARE(box(dialog, name)->text(), QString());
    dialog.cmdSave_Click();
    QCOMPARE(fileBytes(), QByteArray(160, ' '));
}

void TestConfig::save_appliesIdentityAtOnce_andCancelBecomesClose()
{
    TempWorkdir dir;
    int applied = 0;
    FrmConfig dialog([&](const Identity &) { ++applied; });
    auto *cancel = dialog.findChild<QPushButton *>("cmdCancel");
    QCOMPARE(cancel->text(), QString("Cancel"));
    dialog.show();
    dialog.findChild<QPushButton *>("cmdSave")->click();
    QCOMPARE(applied, 1);
    QCOMPARE(cancel->text(), QString("Close"));
    QVERIFY(dialog.isVisible()); // saving leaves it open
}

void TestConfig::cancel_hidesAndKeepsState()
{
    TempWorkdir dir;
    FrmConfig dialog([](const Identity &) {});
    dialog.show();
    box(dialog, "txtService")->setText("typed, not saved");
    dialog.findChild<QPushButton *>("cmdCancel")->click();
    QVERIFY(!dialog.isVisible());
    dialog.show();
    QCOMPARE(box(dialog, "txtService")->text(), QString("typed, not saved"));
    QTest::keyClick(&dialog, Qt::Key_Escape); // Esc is Cancel: hidden, not unloaded
    QVERIFY(!dialog.isVisible());
    QCOMPARE(box(dialog, "txtService")->text(), QString("typed, not saved"));
}

void TestConfig::closeThroughFrame_unloads()
{
    TempWorkdir dir;
    QPointer<FrmConfig> dialog = new FrmConfig([](const Identity &) {});
    dialog->show();
    dialog->close();
    QTRY_VERIFY(dialog.isNull());
}

void TestConfig::unwritableDirectory_endsTheProgramWithAMessage()
{
    TempWorkdir dir;
    QVERIFY(QDir().mkdir(configFileName)); // a folder where the file should be
    RecordingPresenter presenter;
    QVERIFY_THROWS_EXCEPTION(ProgramEnded, FrmConfig([](const Identity &) {}));
    QCOMPARE(presenter.shown.size(), 1);
    QCOMPARE(presenter.shown[0].first, QString("Morvain Service"));
    QVERIFY(presenter.shown[0].second.contains("Broker.cfg"));
}

void TestConfig::notARegularFile_endsTheProgramAtOnce_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<bool>("onSave");
    for (const char *kind : {"FIFO", "socket", "device"}) {
        QTest::addRow("%s at start", kind) << QString(kind) << false;
        QTest::addRow("%s on Save", kind) << QString(kind) << true;
    }
}

void TestConfig::notARegularFile_endsTheProgramAtOnce()
{
    QFETCH(QString, kind);
    QFETCH(bool, onSave);
    TempWorkdir dir;
    std::unique_ptr<FrmConfig> dialog;
    if (onSave)
        dialog = std::make_unique<FrmConfig>([](const Identity &) {});
    plantSpecialFile(kind);
    RecordingPresenter presenter;
    QElapsedTimer clock;
    clock.start();
    if (onSave)
        QVERIFY_THROWS_EXCEPTION(ProgramEnded, dialog->cmdSave_Click());
    else
        QVERIFY_THROWS_EXCEPTION(ProgramEnded, readConfigOrEnd());
    QVERIFY(clock.elapsed() < 1000);
    QCOMPARE(presenter.shown.size(), 1);
    QCOMPARE(presenter.shown[0].second,
             QString("Cannot open file for reading and writing at '%1': Not a regular file.")
                 .arg(QDir(dir.path()).absoluteFilePath(configFileName)));
}

void TestConfig::writeFailure_namesTheAbsolutePath()
{
    TempWorkdir dir;
    FrmConfig dialog([](const Identity &) {});
    // Files may grow to 100 bytes only: the 160-byte record cannot be written.
    rlimit previous{};
    QCOMPARE(::getrlimit(RLIMIT_FSIZE, &previous), 0);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = previous;
    small.rlim_cur = 100;
    QCOMPARE(::setrlimit(RLIMIT_FSIZE, &small), 0);
    RecordingPresenter presenter;
    bool ended = false;
    try {
        dialog.cmdSave_Click();
    } catch (const ProgramEnded &) {
        ended = true;
    }
    ::setrlimit(RLIMIT_FSIZE, &previous);
    std::signal(SIGXFSZ, oldHandler);
    QVERIFY(ended);
    QCOMPARE(presenter.shown.size(), 1);
    QVERIFY2(presenter.shown[0].second.startsWith(
                 QString("Cannot write file at '%1': ")
                     .arg(QDir(dir.path()).absoluteFilePath(configFileName))),
             qPrintable(presenter.shown[0].second));
}

void TestConfig::tooLong_saysSoAndShowsWhatWasSaved_data()
{
    QTest::addColumn<QString>("loaded"); // the field as the file holds it
    QTest::addColumn<QString>("typed");  // over the box's text, or after it when it has blanks
    QTest::addColumn<QString>("saved");  // the 32 characters written
    const QString url = "https://rabbitmq-prod-01.ops.example.com:15671"; // 45 characters
    QTest::newRow("a URL typed into an empty field") << QString() << url << url.left(32);
    // The field loads with its blanks: text typed after them is the part that is cut.
    QTest::newRow("typed after the loaded blanks")
        << "prod" << QString("-01") << QString("prod").leftJustified(32, ' ');
}

void TestConfig::tooLong_saysSoAndShowsWhatWasSaved()
{
    QFETCH(QString, loaded);
    QFETCH(QString, typed);
    QFETCH(QString, saved);
    TempWorkdir dir;
    writeFileBytes(QByteArray(32, ' ') + loaded.toLatin1().leftJustified(32, ' ') +
                   QByteArray(96, ' '));
    FrmConfig dialog([](const Identity &) {});
    QLineEdit *broker = box(dialog, "txtBroker_id");
    QVERIFY(dialog.fitNote().isEmpty());
    broker->setText(loaded.isEmpty() ? typed : broker->text() + typed);
    QVERIFY2(dialog.fitNote().contains("Broker ID has "), qPrintable(dialog.fitNote()));
    dialog.cmdSave_Click();
    QCOMPARE(fileBytes().mid(32, 32), saved.toLatin1());
    QCOMPARE(broker->text(), saved); // what was saved, never more
    QVERIFY2(dialog.fitNote().contains("the rest cut: Broker ID"), qPrintable(dialog.fitNote()));
}

void TestConfig::failure_namesThePathByteForByte_data()
{
    QTest::addColumn<int>("access");
    QTest::addColumn<QByteArray>("message");
    QTest::newRow("snapshot reads")
        << int(ConfigAccess::Read) << QByteArray("Cannot open file for reading at '");
    QTest::newRow("window reads and writes")
        << int(ConfigAccess::ReadWrite)
        << QByteArray("Cannot open file for reading and writing at '");
}

// A folder whose name is not ASCII ("café", blanks and a quote in it): the message carries
// its bytes as the file system has them, whichever program opens the file.
void TestConfig::failure_namesThePathByteForByte()
{
    QFETCH(int, access);
    QFETCH(QByteArray, message);
    TempWorkdir dir;
    const QByteArray folder = QFile::encodeName(dir.path()) + "/caf\xc3\xa9 'x'";
    QCOMPARE(::mkdir(folder.constData(), 0700), 0);
    QCOMPARE(::mkfifo((folder + "/Broker.cfg").constData(), 0600), 0);
    QByteArray what;
    try {
        readConfigRecord(QFile::decodeName(folder + "/Broker.cfg"), ConfigAccess(access));
    } catch (const ConfigFileError &e) {
        what = e.what();
    }
    QCOMPARE(what, message + folder + "/Broker.cfg': Not a regular file.");
}

void TestConfig::save_keepsUneditedFieldsWhole_data()
{
    QTest::addColumn<QByteArray>("field");
    QTest::addColumn<QString>("typed"); // a null text leaves the box as it was shown
    QTest::addColumn<QByteArray>("saved");
    const QByteArray hidden = QByteArray("AB\0CD", 5).leftJustified(32, '\0');
    QTest::newRow("bytes after a zero, unedited") << hidden << QString() << hidden;
    QTest::newRow("bytes after a zero, edited")
        << hidden << QString("ABX") << QByteArray("ABX").leftJustified(32, ' ');
    QTest::newRow("bytes after a zero, retyped the same") << hidden << QString("AB") << hidden;
    QTest::newRow("only zeros after the text")
        << QByteArray("AB").leftJustified(32, '\0') << QString()
        << QByteArray("AB").leftJustified(32, ' ');
}

void TestConfig::save_keepsUneditedFieldsWhole()
{
    QFETCH(QByteArray, field);
    QFETCH(QString, typed);
    QFETCH(QByteArray, saved);
    TempWorkdir dir;
    writeFileBytes(QByteArray(32, 'u') + field + QByteArray(96, 's'));
    Identity applied;
    FrmConfig dialog([&](const Identity &id) { applied = id; });
    QCOMPARE(box(dialog, "txtBroker_id")->text(), QString("AB"));
    if (!typed.isNull())
        box(dialog, "txtBroker_id")->setText(typed);
    dialog.cmdSave_Click();
    QCOMPARE(fileBytes(), QByteArray(32, 'u') + saved + QByteArray(96, 's'));
    QCOMPARE(applied.brokerId, QString::fromLatin1(saved));
}

void TestConfig::captions()
{
    TempWorkdir dir;
    FrmConfig dialog([](const Identity &) {});
    QCOMPARE(dialog.windowTitle(), QString("Broker Configuration"));
    QCOMPARE(dialog.findChild<QGroupBox *>("fraConfig")->title(), QString("Broker Configuration"));
    QStringList labels;
    for (const char *name :
         {"lblUser_id", "lblBroker_id", "lblServer_class", "lblServer_name", "lblService"})
        labels << dialog.findChild<QLabel *>(name)->text();
    QCOMPARE(labels,
             (QStringList{"User ID:", "Broker ID:", "Server class:", "Server name:", "Service:"}));
    QCOMPARE(dialog.findChild<QPushButton *>("cmdSave")->text(), QString("Save"));
    QVERIFY(!dialog.isModal());
}

QTEST_MAIN(TestConfig)
#include "tst_config.moc"
