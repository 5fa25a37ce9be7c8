#include "frm_config.h"

#include "config_file.h"
#include "known_brokers.h"
#include "ui_frm_config.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>

namespace morvain
{

namespace
{

constexpr int fieldWidth = 32; // characters of each value in "Broker.cfg"

// A text box ends at the first zero byte, so a field never written shows empty and saves as
// blanks.
QString shown(const QString &field)
{
    return field.left(field.indexOf(QChar(0)));
}

// A field with bytes after a zero byte cannot be shown whole; as long as its box still
// holds what was shown, the field is saved as it was read, every byte kept.
QString saved(const QString &typed, const QString &stored)
{
    const qsizetype zero = stored.indexOf(QChar(0));
    const bool hiddenBytes = zero >= 0 && stored.mid(zero).count(QChar(0)) != stored.size() - zero;
    return hiddenBytes && typed == shown(stored) ? stored : typed;
}

} // namespace

FrmConfig::FrmConfig(std::function<void(const Identity &)> applyIdentity, QWidget *parent)
    : QDialog(parent), ui(std::make_unique<Ui::FrmConfig>()),
      m_applyIdentity(std::move(applyIdentity))
{
    ui->setupUi(this);
    setModal(false);
    m_fit = new QLabel(this);
    m_fit->setObjectName(QStringLiteral("lblFit"));
    m_fit->setWordWrap(true);
    m_fit->setTextFormat(Qt::PlainText);
    m_fit->hide();
    ui->outer->insertWidget(1, m_fit);
    ui->txtBroker_id->setPlaceholderText(tr("blank: the built-in demo broker"));
    ui->txtBroker_id->setToolTip(
        tr("Which broker to watch, in 32 characters at most:\n"
           "- blank: the built-in demo broker;\n"
           "- a scenario name: the scenario file <name>.json of the client library;\n"
           "- a named broker: an entry of the client library's broker list, which holds its "
           "URL of any length and its credentials;\n"
           "- an http:// or https:// URL of a RabbitMQ management API (keep passwords in "
           "~/.netrc or the broker list, not here);\n"
           "- a nats:// or tls:// URL of a NATS server (its monitoring port: 8222 on the "
           "same host, or a named broker's monitor_url)."));
    // Beside the box: the names the client library knows, one pick fills the box.
    m_known = new QComboBox(this);
    m_known->setObjectName(QStringLiteral("cboKnownBrokers"));
    m_known->setToolTip(tr("Named brokers and scenarios of the client library: a pick "
                           "fills the Broker ID box; Save makes it the broker to watch."));
    m_known->setAccessibleName(tr("Known brokers"));
    m_known->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    m_known->setMinimumContentsLength(16); // its popup shows whole names
    ui->grid->addWidget(m_known, 1, 2);
    connect(m_known, &QComboBox::activated, this, [this](int index) {
        if (index > 0)
            pickBroker(m_known->itemData(index).toString());
    });
    for (const auto &[label, box] : labelledBoxes())
        connect(box, &QLineEdit::textChanged, this, [this] {
            m_cutBySave.clear();
            showFit();
        });
    connect(ui->cmdSave, &QPushButton::clicked, this, &FrmConfig::cmdSave_Click);
    connect(ui->cmdCancel, &QPushButton::clicked, this, &FrmConfig::cmdCancel_Click);
    Form_Load();
}

FrmConfig::~FrmConfig() = default;

void FrmConfig::pickBroker(const QString &name)
{
    ui->txtBroker_id->setText(name);
}

void FrmConfig::showEvent(QShowEvent *event)
{
    m_known->clear();
    m_known->addItem(tr("Known brokers..."), QString());
    m_known->addItem(tr("built-in demo broker"), QString());
    for (const QString &name : knownBrokerNames(brokerListFile(), scenarioFolder()))
        m_known->addItem(name, name);
    QDialog::showEvent(event);
}

void FrmConfig::Form_Load()
{
    m_loaded = identityOf(readConfigOrEnd());
    showFields();
}

void FrmConfig::showFields()
{
    ui->txtUser_id->setText(shown(m_loaded.userId));
    ui->txtBroker_id->setText(shown(m_loaded.brokerId));
    ui->txtServer_class->setText(shown(m_loaded.serverClass));
    ui->txtServer_name->setText(shown(m_loaded.serverName));
    ui->txtService->setText(shown(m_loaded.service));
}

QList<QPair<QLabel *, QLineEdit *>> FrmConfig::labelledBoxes() const
{
    return {{ui->lblUser_id, ui->txtUser_id},
            {ui->lblBroker_id, ui->txtBroker_id},
            {ui->lblServer_class, ui->txtServer_class},
            {ui->lblServer_name, ui->txtServer_name},
            {ui->lblService, ui->txtService}};
}

QString FrmConfig::fitNote() const
{
    if (!m_cutBySave.isEmpty())
        return tr("Saved as 32 characters, the rest cut: %1.").arg(m_cutBySave);
    QStringList long_;
    for (const auto &[label, box] : labelledBoxes())
        if (box->text().size() > fieldWidth)
            long_ << tr("%1 has %2").arg(label->text().chopped(1)).arg(box->text().size());
    if (long_.isEmpty())
        return {};
    return tr("Only 32 characters of each value are saved: %1; Save cuts the rest.")
        .arg(long_.join(QStringLiteral(", ")));
}

void FrmConfig::showFit()
{
    const QString note = fitNote();
    m_fit->setText(note);
    m_fit->setVisible(!note.isEmpty());
}

void FrmConfig::cmdSave_Click()
{
    const ConfigRecord record = recordOf({saved(ui->txtUser_id->text(), m_loaded.userId),
                                          saved(ui->txtBroker_id->text(), m_loaded.brokerId),
                                          saved(ui->txtServer_class->text(), m_loaded.serverClass),
                                          saved(ui->txtServer_name->text(), m_loaded.serverName),
                                          saved(ui->txtService->text(), m_loaded.service)});
    writeConfigOrEnd(record);
    // Which typed values did not fit, before the boxes show what was saved.
    QStringList cut;
    for (const auto &[label, box] : labelledBoxes())
        if (box->text().size() > fieldWidth)
            cut << label->text().chopped(1);
    m_loaded = identityOf(record);
    showFields();
    m_cutBySave = cut.join(QStringLiteral(", "));
    showFit();
    m_applyIdentity(m_loaded);
    ui->cmdCancel->setText(QStringLiteral("Close"));
}

void FrmConfig::cmdCancel_Click()
{
    hide();
}

void FrmConfig::reject()
{
    cmdCancel_Click();
}

void FrmConfig::closeEvent(QCloseEvent *event)
{
    event->accept();
    deleteLater();
}

} // namespace morvain
