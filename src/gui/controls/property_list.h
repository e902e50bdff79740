// CPropertyList: a list of fields, one 20-pixel row each (at 96 dpi; rows grow with the
// font on denser screens), the label in a grey left column and the value in a white right
// column, separated by a line the user drags. Selecting a row (mouse or keyboard) opens its
// in-place editor over the value column; choosing another row closes it, storing its text.
//
// CPropertyItem is the root of the rows. The list owns its rows.
#pragma once

#include <QFont>
#include <QListWidget>
#include <memory>
#include <vector>

#include "platform/cstring.h"

class QPainter;
class CPropertyList;

// The notification code of a button click passed to OnCommand.
inline constexpr int BN_CLICKED = 0;

class CPropertyItem {
  public:
    CPropertyItem(const CString& label, const CString& value, bool bold = false)
        : m_bBold(bold ? 1 : 0), m_strLabel(label), m_strValue(value) {}
    virtual ~CPropertyItem() = default;
    CPropertyItem(const CPropertyItem&) = delete;
    CPropertyItem& operator=(const CPropertyItem&) = delete;

    // Shows and places the editor in the value rectangle (list viewport pixels).
    virtual void BeginEdit(int left, int top, int right, int bottom) = 0;
    // Hides the editor; where it holds text, the text becomes the value.
    virtual void EndEdit() = 0;
    // Draws the value on one line.
    virtual void DrawValue(QPainter& dc, const QRect& rect);
    // Makes the editor windows as hidden children of the list.
    virtual void CreateEditors(const QFont& font) = 0;
    // A command from one of the row's editor windows.
    virtual void OnCommand(int notifyCode, int id) {
        (void)notifyCode;
        (void)id;
    }

    CPropertyList* m_pList = nullptr;
    int m_bBold = 0;
    CString m_strLabel;
    CString m_strValue;
};

class CPropertyList : public QListWidget {
  public:
    explicit CPropertyList(QWidget* parent = nullptr);
    ~CPropertyList() override;

    // Appends a row the list then owns; returns its index.
    int AddRow(CPropertyItem* item);
    // Null for a negative index or one without a row.
    CPropertyItem* GetItem(int index) const;
    int GetCount() const { return static_cast<int>(m_rows.size()); }
    // Closes the open editor (its text is stored). Call before reading values.
    void EndEdit();
    // Writes every field to the settings file; false when that failed.
    virtual bool SaveSettings() { return true; }

    // Editors send their commands here; they go to the row whose editor is open.
    void RouteCommand(int notifyCode, int id);

    // The parent of every editor window, and the font they use.
    QWidget* EditorParent() const { return viewport(); }
    const QFont& EditorFont() const { return m_font; }
    // A length given for a 96-dpi screen, at this screen's density.
    int Scaled(int pixels) const;
    int RowHeight() const;
    int SplitX() const { return m_nSplitX; }
    int CurSel() const { return m_nCurSel; }
    // The value rectangle of a row (its left side at the column line).
    QRect ValueRect(int index) const;

    // Drawing of one row (the delegate's paint).
    void DrawItem(QPainter& dc, int index, const QRect& rect);

  protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

  private:
    void OnSelChange(int row);
    int FirstSplitX() const;
    bool NearSplit(int x) const;

    std::vector<std::unique_ptr<CPropertyItem>> m_rows;
    QFont m_font;
    int m_nCurSel = -1;
    int m_nPrevSel = -1;
    int m_nSplitX = 0;
    int m_nTrackX = 0;
    int m_bTracking = 0;
};
