// What became of each module of the last load, for the MIB browser's module list: a row per
// module, root causes first (mibnames::ModuleReport's order), each told in a sentence, with
// the parser's words (or a missing module's importers) as rows below it.
#pragma once

#include "snmpapi/MibDefinitions.h"

#include <QAbstractItemModel>

#include <memory>

class CMibModuleModel : public QAbstractItemModel {
    Q_OBJECT

public:
    explicit CMibModuleModel(QObject* parent = nullptr);

    void SetReport(std::shared_ptr<const mibnames::ModuleReport> report);
    const std::shared_ptr<const mibnames::ModuleReport>& Report() const { return m_report; }

    // The sentence of a module's row and of each row below it.
    static QString Sentence(const mibnames::ModuleState& module);
    static QString Detail(const mibnames::ModuleState& module, int row);
    static int DetailCount(const mibnames::ModuleState& module);

    QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
    QModelIndex parent(const QModelIndex& child) const override;
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;

private:
    std::shared_ptr<const mibnames::ModuleReport> m_report;
};

// The modules that did not read whole (failed, imports missing, the reader stopped in
// them), for the count that the system menu shows.
int ModulesWithErrors(const mibnames::ModuleReport& report);
