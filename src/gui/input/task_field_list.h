// The field lists of the work modes: a property list with the mode's rows (field_rows.h),
// loaded from the settings file when made, saved by Start after a successful check. The
// checks and the task they produce are the command line's (cli_fields.h), so a settings
// file the GUI writes runs unchanged with `tabulon MODE --settings FILE`.
#pragma once

#include <memory>

#include "cli/cli_fields.h"
#include "engine/task.h"
#include "gui/controls/property_list.h"
#include "gui/input/field_rows.h"
#include "platform/field_checks.h"
#include "platform/notify.h"

class CSheetItem;

class CTaskFieldList : public CPropertyList, public tabulon::platform::CFieldChecks {
  public:
    CTaskFieldList(tabulon::cli::Mode mode, QWidget* parent);

    tabulon::cli::Mode WorkMode() const { return m_mode; }
    CString Section() const;

    // Writes every stored row to its key in the mode's section.
    bool SaveSettings() override;
    // Checks the fields in order; the first failure shows its message and gives null.
    // Otherwise the mode's task, reporting to notify. Close the editor (EndEdit) first.
    std::unique_ptr<tabulon::engine::CTask> Validate(
        const tabulon::platform::CNotifyHandle& notify);
    // The values the rows hold now.
    tabulon::cli::TaskFields Values() const;

    // The row of a kind (the first one), or null.
    CPropertyItem* RowOfKind(tabulon::gui::RowKind kind) const;
    CSheetItem* SheetRow() const;

    // The worksheet row's refresh: reads the worksheet names under the folder once per
    // folder value. Returns 1.
    static int RefreshSheets(void* list);
    // The result row's Browse: the result file prompt.
    static bool PromptResultName(CString* value, void* list);

    CString m_strLastFolder;

  private:
    void BuildRows();
    void Load();

    tabulon::cli::Mode m_mode;
};

class CAddCellByCellList : public CTaskFieldList {
  public:
    explicit CAddCellByCellList(QWidget* parent)
        : CTaskFieldList(tabulon::cli::Mode::AddCellByCell, parent) {}
};

class CCopySheetsList : public CTaskFieldList {
  public:
    explicit CCopySheetsList(QWidget* parent)
        : CTaskFieldList(tabulon::cli::Mode::CopySheets, parent) {}
};

class CCopyRowsList : public CTaskFieldList {
  public:
    explicit CCopyRowsList(QWidget* parent)
        : CTaskFieldList(tabulon::cli::Mode::CopyRows, parent) {}
};

class CCopyRowsByKeyColList : public CTaskFieldList {
  public:
    explicit CCopyRowsByKeyColList(QWidget* parent)
        : CTaskFieldList(tabulon::cli::Mode::CopyRowsByKeyCol, parent) {}
};

// The three two-file modes, told apart by their section: "Config_MergeTwoXLSCols",
// "Config_Intersection" or "Config_Difference".
class CTwoFileList : public CTaskFieldList {
  public:
    CTwoFileList(const CString& section, QWidget* parent);
    static tabulon::cli::Mode ModeOfSection(const CString& section);
};

class CCheckSameFormatList : public CTaskFieldList {
  public:
    explicit CCheckSameFormatList(QWidget* parent)
        : CTaskFieldList(tabulon::cli::Mode::CheckSameFormat, parent) {}
};
