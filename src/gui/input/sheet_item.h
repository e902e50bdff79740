// CSheetItem: the worksheet row. Its editor is the worksheet check-combo; the names it
// offers are read from the workbooks under a folder (FillFromPath) on a worker thread, so
// a folder full of large workbooks never stops the window: the pop-up keeps its names
// until the new ones are there.
#pragma once

#include "gui/controls/property_list.h"

class CCheckComboBox;

class CSheetItem : public CPropertyItem {
  public:
    // Called on each mouse press on the check-combo, before it opens.
    using RefreshCallback = int (*)(void* context);

    CSheetItem(const CString& label, const CString& value, const CString& options,
               RefreshCallback refresh, void* context, bool bold = false);
    ~CSheetItem() override;

    void BeginEdit(int left, int top, int right, int bottom) override;
    void EndEdit() override;
    void CreateEditors(const QFont& font) override;

    // Reads the worksheet names of the workbooks under path (a workbook or a folder) and
    // offers them. An empty path does nothing; a session that cannot start changes nothing.
    void FillFromPath(const CString& path);
    // True while names are being read.
    bool IsFilling() const { return m_nFilling > 0; }
    // How many reads were started.
    int ReadCount() const { return m_nReads; }

    CCheckComboBox* Combo() const { return m_pCombo; }
    CString m_strOptions;

  private:
    void OfferNames(const std::vector<CString>& names);
    static void OnComboClick(void* item);

    CCheckComboBox* m_pCombo = nullptr;
    RefreshCallback m_pfnRefresh;
    void* m_pRefreshContext;
    int m_nFilling = 0;
    int m_nReads = 0;
    int m_nGeneration = 0;  // only the newest read's names are offered
};
