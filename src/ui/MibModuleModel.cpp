#include "ui/MibModuleModel.h"

namespace {

using Outcome = mibnames::ModuleState::Outcome;

// Top rows have ids 0; a row below the module at row r has id r + 1.
constexpr quintptr kTop = 0;

QString Text(const std::string& text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

QString Joined(const std::vector<std::string>& names) {
    QStringList list;
    for (const std::string& name : names)
        list << Text(name);
    return list.join(QStringLiteral(", "));
}

} // namespace

int ModulesWithErrors(const mibnames::ModuleReport& report) {
    int count = 0;
    for (const mibnames::ModuleState& m : report.modules)
        count += m.outcome == Outcome::Failed || m.outcome == Outcome::ImportsMissing ||
                 m.outcome == Outcome::ReaderStopped;
    return count;
}

CMibModuleModel::CMibModuleModel(QObject* parent) : QAbstractItemModel(parent) {
    SetReport(mibnames::CurrentModuleReport());
}

void CMibModuleModel::SetReport(std::shared_ptr<const mibnames::ModuleReport> report) {
    beginResetModel();
    m_report = report ? std::move(report) : std::make_shared<const mibnames::ModuleReport>();
    endResetModel();
}

QString CMibModuleModel::Sentence(const mibnames::ModuleState& m) {
    const QString name = Text(m.name);
    const QString file = Text(m.file);
    switch (m.outcome) {
    case Outcome::Missing:
        return m.importedBy.size() == 1
                   ? QStringLiteral("%1 is not on this machine; 1 module imports it").arg(name)
                   : QStringLiteral("%1 is not on this machine; %2 modules import it")
                         .arg(name)
                         .arg(m.importedBy.size());
    case Outcome::ReaderStopped:
        return QStringLiteral("%1: the MIB reader stopped while reading it (%2)").arg(name, file);
    case Outcome::Failed:
        return QStringLiteral("%1 failed: %2").arg(name, file);
    case Outcome::ImportsMissing:
        return QStringLiteral("%1 read without %2, not on this machine (%3)")
            .arg(name, Joined(m.missingImports), file);
    case Outcome::NotAModule:
        return QStringLiteral("%1 is not a MIB module").arg(file);
    case Outcome::Read:
        return QStringLiteral("%1 read (%2)").arg(name, file);
    case Outcome::Pending:
        return QStringLiteral("%1 not read yet (%2)").arg(name, file);
    }
    return name;
}

int CMibModuleModel::DetailCount(const mibnames::ModuleState& m) {
    return static_cast<int>(m.outcome == Outcome::Missing ? m.importedBy.size()
                                                          : m.problems.size());
}

QString CMibModuleModel::Detail(const mibnames::ModuleState& m, int row) {
    const auto at = static_cast<size_t>(row);
    if (m.outcome == Outcome::Missing)
        return QStringLiteral("imported by %1").arg(Text(m.importedBy[at]));
    const mibnames::ModuleProblem& p = m.problems[at];
    return p.line > 0 ? QStringLiteral("line %1: %2").arg(p.line).arg(Text(p.text)) : Text(p.text);
}

QModelIndex CMibModuleModel::index(int row, int column, const QModelIndex& parent) const {
    if (column != 0 || row < 0 || row >= rowCount(parent))
        return {};
    return createIndex(row, 0, parent.isValid() ? static_cast<quintptr>(parent.row()) + 1 : kTop);
}

QModelIndex CMibModuleModel::parent(const QModelIndex& child) const {
    if (!child.isValid() || child.internalId() == kTop)
        return {};
    return createIndex(static_cast<int>(child.internalId() - 1), 0, kTop);
}

int CMibModuleModel::rowCount(const QModelIndex& parent) const {
    if (!parent.isValid())
        return static_cast<int>(m_report->modules.size());
    if (parent.internalId() != kTop || parent.column() > 0)
        return 0;
    return DetailCount(m_report->modules[static_cast<size_t>(parent.row())]);
}

int CMibModuleModel::columnCount(const QModelIndex&) const {
    return 1;
}

QVariant CMibModuleModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() ||
        (role != Qt::DisplayRole && role != Qt::AccessibleTextRole && role != Qt::ToolTipRole))
        return {};
    if (index.internalId() == kTop)
        return Sentence(m_report->modules[static_cast<size_t>(index.row())]);
    return Detail(m_report->modules[static_cast<size_t>(index.internalId() - 1)], index.row());
}
