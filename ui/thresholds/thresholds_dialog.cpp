#include "thresholds_dialog.h"

#include "whole_file.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QJsonDocument>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QSet>
#include <QSignalBlocker>
#include <QTableWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

namespace morvain
{

namespace
{
enum Column {
    NameColumn,
    KindColumn,
    FieldColumn,
    RateColumn,
    ComparisonColumn,
    ValueColumn,
    MatchColumn,
    SeverityColumn,
    ColumnCount
};

const QStringList &comparisonTexts()
{
    static const QStringList texts = {QStringLiteral(">"),  QStringLiteral(">="),
                                      QStringLiteral("<"),  QStringLiteral("<="),
                                      QStringLiteral("=="), QStringLiteral("!=")};
    return texts;
}

template <typename W> W *cell(const QTableWidget *table, int row, int column)
{
    return qobject_cast<W *>(table->cellWidget(row, column));
}
} // namespace

ThresholdsDialog::ThresholdsDialog(BreachWatch &watch, QWidget *parent)
    : QDialog(parent), m_watch(watch), m_kinds(watch.kindNames()), m_fields(watch.kindFields())
{
    setObjectName(QStringLiteral("frmThresholds"));
    setWindowTitle(tr("Thresholds"));

    auto *file = new QLabel(tr("Rules file: %1").arg(QDir::toNativeSeparators(watch.path())), this);
    file->setObjectName(QStringLiteral("lblRulesFile"));
    file->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_table = new QTableWidget(0, ColumnCount, this);
    m_table->setObjectName(QStringLiteral("tblRules"));
    m_table->setHorizontalHeaderLabels({tr("Name"), tr("Kind"), tr("Field"), tr("Rate"),
                                        tr("Comparison"), tr("Value"), tr("Match"),
                                        tr("Severity")});
    m_table->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    m_table->horizontalHeader()->setStretchLastSection(true);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);

    auto *add = new QPushButton(tr("&Add"), this);
    add->setObjectName(QStringLiteral("cmdAddRule"));
    auto *remove = new QPushButton(tr("&Remove"), this);
    remove->setObjectName(QStringLiteral("cmdRemoveRule"));
    m_notify = new QCheckBox(tr("Desktop notifications"), this);
    m_notify->setObjectName(QStringLiteral("chkNotifications"));
    m_notify->setToolTip(tr("A notification names each object as it breaches a rule"));
    m_notify->setChecked(watch.notify());
    m_note = new QLabel(this);
    m_note->setObjectName(QStringLiteral("lblRulesNote"));
    m_note->setTextFormat(Qt::PlainText);
    m_note->setWordWrap(true);
    m_note->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_save = new QPushButton(tr("&Save"), this);
    m_save->setObjectName(QStringLiteral("cmdSaveRules"));
    auto *close = new QPushButton(tr("&Close"), this);
    close->setObjectName(QStringLiteral("cmdCloseRules"));

    auto *edits = new QHBoxLayout;
    edits->addWidget(add);
    edits->addWidget(remove);
    edits->addStretch(1);
    edits->addWidget(m_notify);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(m_save);
    buttons->addWidget(close);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(file);
    layout->addWidget(m_table, 1);
    layout->addLayout(edits);
    layout->addWidget(m_note);
    layout->addLayout(buttons);

    connect(add, &QPushButton::clicked, this, [this] {
        thresholds::Rule rule;
        rule.kind = m_kinds.value(0);
        addRule(rule);
    });
    connect(remove, &QPushButton::clicked, this, [this] {
        QList<int> rows;
        for (const QModelIndex &index : m_table->selectionModel()->selectedRows())
            rows << index.row();
        std::sort(rows.rbegin(), rows.rend());
        for (int row : rows)
            m_table->removeRow(row);
    });
    connect(m_notify, &QCheckBox::toggled, this, [this](bool on) {
        m_watch.setNotify(on);
        emit notifyToggled(on);
    });
    connect(m_save, &QPushButton::clicked, this, &ThresholdsDialog::save);
    connect(close, &QPushButton::clicked, this, &QDialog::close);

    reload();
    resize(980, 360);
}

void ThresholdsDialog::reload()
{
    m_table->setRowCount(0);
    m_keptTop = {};
    m_keptRefused = {};
    m_unreadable = false;
    const QString path = m_watch.path();
    const SmallFile read = readSmallFile(path);
    if (read.missing) {
        showNote(tr("No rules file yet: Save writes one."));
        m_save->setEnabled(true);
        return;
    }
    const QByteArray &bytes = read.bytes;
    thresholds::RuleFile file = read.error.isEmpty() ? thresholds::parseRules(bytes, m_fields)
                                                     : thresholds::readRules(path, m_fields);
    // Saving over a file that could not be read would lose it: it is fixed by hand first.
    m_unreadable = !file.error.isEmpty();
    m_save->setEnabled(!m_unreadable);
    if (m_unreadable) {
        showNote(tr("The rules file cannot be used, so Save is off: %1").arg(file.error));
        return;
    }
    m_keptTop = QJsonDocument::fromJson(bytes).object();
    const QJsonArray list = m_keptTop.take(QStringLiteral("rules")).toArray();
    QSet<int> accepted;
    for (const thresholds::Rule &rule : std::as_const(file.rules)) {
        accepted.insert(rule.index);
        addRule(rule);
    }
    for (qsizetype i = 0; i < list.size(); ++i)
        if (!accepted.contains(int(i + 1)))
            m_keptRefused.append(list.at(i));
    showNote(file.refused.isEmpty() ? QString()
                                    : tr("Not used (Save keeps them in the file as they are):\n%1")
                                          .arg(file.refused.join(u'\n')));
}

void ThresholdsDialog::addRule(const thresholds::Rule &rule)
{
    const int row = m_table->rowCount();
    m_table->insertRow(row);
    auto *name = new QLineEdit(rule.name);
    auto *kind = new QComboBox;
    kind->addItems(m_kinds);
    kind->setCurrentIndex(int(m_kinds.indexOf(rule.kind)));
    auto *rate = new QCheckBox;
    rate->setChecked(rule.rate);
    auto *comparison = new QComboBox;
    comparison->addItems(comparisonTexts());
    comparison->setCurrentText(QLatin1String(thresholds::comparisonText(rule.comparison)));
    auto *value = new QLineEdit(QString::number(rule.value, 'g', 15));
    auto *match = new QLineEdit(rule.match);
    match->setPlaceholderText(tr("every object"));
    auto *severity = new QComboBox;
    severity->addItems({tr("warning"), tr("critical")});
    severity->setCurrentIndex(rule.severity == thresholds::Severity::Critical ? 1 : 0);
    m_table->setCellWidget(row, NameColumn, name);
    m_table->setCellWidget(row, KindColumn, kind);
    m_table->setCellWidget(row, FieldColumn, new QComboBox);
    m_table->setCellWidget(row, RateColumn, rate);
    m_table->setCellWidget(row, ComparisonColumn, comparison);
    m_table->setCellWidget(row, ValueColumn, value);
    m_table->setCellWidget(row, MatchColumn, match);
    m_table->setCellWidget(row, SeverityColumn, severity);
    setKind(row, rule.kind);
    if (auto *field = cell<QComboBox>(m_table, row, FieldColumn); !rule.field.isEmpty())
        if (const int at = field->findData(rule.field); at >= 0)
            field->setCurrentIndex(at);
    // The row is found again when the kind changes: rows above it may have gone.
    connect(kind, &QComboBox::currentTextChanged, this, [this, kind](const QString &text) {
        for (int r = 0; r < m_table->rowCount(); ++r)
            if (m_table->cellWidget(r, KindColumn) == kind)
                setKind(r, text);
    });
}

// The field list follows the kind: its number fields, as rules may name them.
void ThresholdsDialog::setKind(int row, const QString &kind)
{
    auto *field = cell<QComboBox>(m_table, row, FieldColumn);
    const QSignalBlocker quiet(field);
    field->clear();
    const std::string kindName = kind.toStdString();
    for (const FieldInfo &info : m_fields.value(kind)) {
        if (info.kind == FieldKind::Text)
            continue;
        const FieldLegend legend = fieldLegend(kindName, info.name, m_source);
        // The raw name first, as the rules file has it; the words after it.
        const QString text =
            legend.isNull() ? info.name
                            : info.name + QStringLiteral(" \u2014 ") + legend.captionWithUnit();
        field->addItem(text, info.name);
        if (!legend.isNull())
            field->setItemData(field->count() - 1, legend.toolTip(m_source), Qt::ToolTipRole);
    }
    field->setCurrentIndex(field->count() > 0 ? 0 : -1);
}

void ThresholdsDialog::setSource(BrokerSource source)
{
    if (source == m_source)
        return;
    m_source = source;
    for (int row = 0; row < m_table->rowCount(); ++row) {
        auto *field = cell<QComboBox>(m_table, row, FieldColumn);
        const QString name = field->currentData().toString();
        setKind(row, cell<QComboBox>(m_table, row, KindColumn)->currentText());
        if (const int at = field->findData(name); at >= 0)
            field->setCurrentIndex(at);
    }
}

std::optional<thresholds::Rule> ThresholdsDialog::ruleAt(int row, QString &wrong) const
{
    thresholds::Rule rule;
    rule.name = cell<QLineEdit>(m_table, row, NameColumn)->text().trimmed();
    rule.kind = cell<QComboBox>(m_table, row, KindColumn)->currentText();
    rule.field = cell<QComboBox>(m_table, row, FieldColumn)->currentData().toString();
    rule.rate = cell<QCheckBox>(m_table, row, RateColumn)->isChecked();
    rule.comparison =
        thresholds::Comparison(cell<QComboBox>(m_table, row, ComparisonColumn)->currentIndex());
    bool number = false;
    rule.value = QLocale::c().toDouble(cell<QLineEdit>(m_table, row, ValueColumn)->text().trimmed(),
                                       &number);
    rule.match = cell<QLineEdit>(m_table, row, MatchColumn)->text();
    rule.severity = cell<QComboBox>(m_table, row, SeverityColumn)->currentIndex() == 1
                        ? thresholds::Severity::Critical
                        : thresholds::Severity::Warning;
    if (rule.kind.isEmpty() || rule.field.isEmpty())
        wrong = tr("Row %1 has no kind or field.").arg(row + 1);
    else if (!number || !std::isfinite(rule.value))
        wrong = tr("Row %1: the value is not a number.").arg(row + 1);
    else
        return rule;
    return std::nullopt;
}

bool ThresholdsDialog::save()
{
    if (m_unreadable)
        return false;
    QJsonArray list;
    for (int row = 0; row < m_table->rowCount(); ++row) {
        QString wrong;
        const std::optional<thresholds::Rule> rule = ruleAt(row, wrong);
        if (!rule) {
            showNote(tr("Not saved. %1").arg(wrong));
            return false;
        }
        list.append(thresholds::ruleJson(*rule));
    }
    for (const QJsonValue &kept : std::as_const(m_keptRefused))
        list.append(kept);
    QJsonObject top = m_keptTop;
    top.insert(QStringLiteral("rules"), list);

    const QString path = m_watch.path();
    const QString failed = QDir().mkpath(QFileInfo(path).absolutePath())
                               ? writeWholeFile(path, QJsonDocument(top).toJson())
                               : tr("its folder cannot be made");
    if (!failed.isEmpty()) {
        showNote(tr("Not saved. Cannot write the rules file at '%1': %2.")
                     .arg(QDir::toNativeSeparators(path), failed));
        return false;
    }
    m_watch.load(path);
    reload();
    if (m_note->text().isEmpty())
        showNote(tr("Saved."));
    return true;
}

void ThresholdsDialog::showNote(const QString &text)
{
    m_note->setText(text);
    m_note->setVisible(!text.isEmpty());
}

} // namespace morvain
