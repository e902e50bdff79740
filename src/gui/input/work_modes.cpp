#include "gui/input/work_modes.h"

namespace tabulon::gui {

const WorkModeEntry kWorkModes[kWorkModeCount] = {
    {"6EF1C0C4-6411-4ee1-89C3-53866FA1823B", cli::Mode::AddCellByCell, "AddCellByCell.ico",
     "Help-001.htm"},
    {"E9354DF6-F9CF-4310-B5C6-54D11F436316", cli::Mode::CopySheets, "CopySheets.ico",
     "Help-002.htm"},
    {"2C06E931-21D8-4fe1-BDEB-C60C4F1D7F19", cli::Mode::CopyRows, "CopyRows.ico", "Help-003.htm"},
    {"AC754C78-1F7B-49ca-BE7F-7F91D30535BF", cli::Mode::CopyRowsByKeyCol, "CopyRowsByKeyCol.ico",
     "Help-004.htm"},
    {"3795E75B-F859-4075-A2F6-CC6D16D611A5", cli::Mode::MergeCols, "MergeCols.ico", "Help-005.htm"},
    {"3A296218-DDFD-4aee-8CBF-7D0EDCA7EBA1", cli::Mode::Intersection, "Intersection.ico",
     "Help-006.htm"},
    {"C6CAB78A-B0AE-4189-A2AF-98DF66A5C9F0", cli::Mode::Difference, "difference.ico",
     "Help-007.htm"},
    {"0217C129-AB61-4d69-806C-063454133814", cli::Mode::CheckSameFormat, "CheckSameFormatSheet.ico",
     "Help-008.htm"},
};

const WorkModeEntry* FindWorkMode(const CString& guid) {
    for (const WorkModeEntry& entry : kWorkModes) {
        if (guid == entry.guid)
            return &entry;
    }
    return nullptr;
}

CString HelpPagePath(const CString& resourceFolder, const CString& guid) {
    const WorkModeEntry* entry = FindWorkMode(guid);
    if (!entry)
        return CString();
    return resourceFolder + "/Help/" + entry->helpPage;
}

}  // namespace tabulon::gui
