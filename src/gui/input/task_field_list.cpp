#include "gui/input/task_field_list.h"

#include "gui/input/edit_items.h"
#include "gui/input/excel_file_item.h"
#include "gui/input/select_sheet_dlg.h"
#include "gui/input/sheet_item.h"
#include "platform/paths.h"
#include "platform/prompt.h"

using CliMode = tabulon::cli::Mode;
using tabulon::gui::FieldRow;
using tabulon::gui::FieldRowsOf;
using tabulon::gui::RowKind;

namespace {

constexpr const char* kResultPromptTitle =
    "Enter the name of the result file, or specify an existing file";

}  // namespace

CTaskFieldList::CTaskFieldList(CliMode mode, QWidget* parent)
    : CPropertyList(parent), m_mode(mode) {
    BuildRows();
    Load();
}

CString CTaskFieldList::Section() const {
    return tabulon::cli::ModeSection(m_mode);
}

void CTaskFieldList::BuildRows() {
    for (const FieldRow& row : FieldRowsOf(m_mode)) {
        switch (row.kind) {
            case RowKind::Folder:
                AddRow(new CEditItem(row.label, "", CEditItem::kFolder, row.bold));
                break;
            case RowKind::Sheets:
                AddRow(new CSheetItem(row.label, tabulon::platform::kAllWorksheets,
                                      tabulon::gui::kSheetPlaceholderOptions, &RefreshSheets, this,
                                      row.bold));
                break;
            case RowKind::Number:
                AddRow(new CEditItem(row.label, "1", CEditItem::kTextOnly, row.bold));
                break;
            case RowKind::KeepFormulas:
                AddRow(new CComboItem(row.label, "Yes", {"Yes", "No"}, row.bold));
                break;
            case RowKind::Result: {
                auto* item = new CEditItem(row.label, "", CEditItem::kCallback, row.bold);
                item->m_pfnBrowse = &PromptResultName;
                item->m_pBrowseContext = this;
                AddRow(item);
                break;
            }
            case RowKind::Workbook:
                AddRow(new CExcelFileItem(row.label, row.label, row.bold));
                break;
        }
    }
}

void CTaskFieldList::Load() {
    const tabulon::cli::TaskFields fields =
        tabulon::gui::LoadFieldValues(m_mode, tabulon::platform::GetIniPath());
    const std::vector<FieldRow>& rows = FieldRowsOf(m_mode);
    for (size_t i = 0; i < rows.size(); ++i) {
        CPropertyItem* item = GetItem(static_cast<int>(i));
        if (auto* workbook = dynamic_cast<CExcelFileItem*>(item)) {
            workbook->m_strFile = fields.*rows[i].value;
            workbook->m_strSheet = fields.*rows[i].sheet;
        } else {
            item->m_strValue = fields.*rows[i].value;
        }
    }
}

tabulon::cli::TaskFields CTaskFieldList::Values() const {
    tabulon::cli::TaskFields fields;
    const std::vector<FieldRow>& rows = FieldRowsOf(m_mode);
    for (size_t i = 0; i < rows.size(); ++i) {
        const CPropertyItem* item = GetItem(static_cast<int>(i));
        if (auto* workbook = dynamic_cast<const CExcelFileItem*>(item)) {
            fields.*rows[i].value = workbook->m_strFile;
            fields.*rows[i].sheet = workbook->m_strSheet;
        } else {
            fields.*rows[i].value = item->m_strValue;
        }
    }
    return fields;
}

bool CTaskFieldList::SaveSettings() {
    return tabulon::gui::SaveFieldValues(m_mode, Values(), tabulon::platform::GetIniPath());
}

std::unique_ptr<tabulon::engine::CTask> CTaskFieldList::Validate(
    const tabulon::platform::CNotifyHandle& notify) {
    return tabulon::cli::ValidateAndCreateTask(m_mode, Values(), notify);
}

CPropertyItem* CTaskFieldList::RowOfKind(RowKind kind) const {
    const std::vector<FieldRow>& rows = FieldRowsOf(m_mode);
    for (size_t i = 0; i < rows.size(); ++i) {
        if (rows[i].kind == kind)
            return GetItem(static_cast<int>(i));
    }
    return nullptr;
}

CSheetItem* CTaskFieldList::SheetRow() const {
    return static_cast<CSheetItem*>(RowOfKind(RowKind::Sheets));
}

int CTaskFieldList::RefreshSheets(void* context) {
    auto* list = static_cast<CTaskFieldList*>(context);
    const CPropertyItem* folderRow = list->RowOfKind(RowKind::Folder);
    CSheetItem* sheetRow = list->SheetRow();
    if (!folderRow || !sheetRow)
        return 1;
    const CString folder = folderRow->m_strValue;
    if (folder == list->m_strLastFolder)
        return 1;
    list->m_strLastFolder = folder;
    if (CheckFolder(folder, false, false))
        sheetRow->FillFromPath(folder);
    return 1;
}

bool CTaskFieldList::PromptResultName(CString* value, void*) {
    using namespace tabulon::platform;
    *value = PromptForFile("xls", "Result", kExcelFileFilter, kResultPromptTitle,
                           OFN_EXPLORER | OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT, "");
    return !value->IsEmpty();
}

CliMode CTwoFileList::ModeOfSection(const CString& section) {
    for (CliMode mode : {CliMode::MergeCols, CliMode::Intersection, CliMode::Difference}) {
        if (section == tabulon::cli::ModeSection(mode))
            return mode;
    }
    return CliMode::None;
}

CTwoFileList::CTwoFileList(const CString& section, QWidget* parent)
    : CTaskFieldList(ModeOfSection(section), parent) {}
