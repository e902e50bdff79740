#include "gui/input/excel_file_item.h"

#include <QLineEdit>
#include <QPainter>
#include <QPushButton>

#include "gui/input/select_sheet_dlg.h"

namespace {

QString Q(const CString& text) {
    return QString::fromUtf8(text.GetString(), text.GetLength());
}

constexpr int kButtonWidth = 48;  // at 96 dpi

}  // namespace

CExcelFileItem::CExcelFileItem(const CString& label, const CString& name, bool bold)
    : CPropertyItem(label, "", bold) {
    m_strPrompt.Format("Please specify the Excel file where %s locates.", name.GetString());
}

CExcelFileItem::~CExcelFileItem() = default;  // the editors are children of the list

CString CExcelFileItem::DisplayText() const {
    CString text;
    if (!m_strFile.IsEmpty() && !m_strSheet.IsEmpty())
        text.Format("\"%s\" --> \"%s\"", m_strFile.GetString(), m_strSheet.GetString());
    return text;
}

void CExcelFileItem::DrawValue(QPainter& dc, const QRect& rect) {
    dc.drawText(rect, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, Q(DisplayText()));
}

void CExcelFileItem::CreateEditors(const QFont& font) {
    QWidget* parent = m_pList->EditorParent();
    auto button = [&](const char* text, int id) {
        auto* b = new QPushButton(QString::fromLatin1(text), parent);
        b->setObjectName(QStringLiteral("button%1").arg(id));
        b->setFont(font);
        b->hide();
        QObject::connect(b, &QPushButton::clicked,
                         [list = m_pList, id] { list->RouteCommand(BN_CLICKED, id); });
        return b;
    };
    m_pBrowse = button("Browse", kBrowseId);
    m_pClear = button("Clear", kClearId);
    m_pEdit = new QLineEdit(parent);
    m_pEdit->setObjectName(QStringLiteral("edit%1").arg(kEditId));
    m_pEdit->setReadOnly(true);
    m_pEdit->setFont(font);
    m_pEdit->hide();
}

void CExcelFileItem::BeginEdit(int left, int top, int right, int bottom) {
    const int height = bottom - top - 3;
    const int button = m_pList->Scaled(kButtonWidth);
    if (right - left > button) {
        m_pEdit->setGeometry(left, top, std::max(0, right - 2 * button - left), height);
        m_pBrowse->setGeometry(right - 2 * button, top, button, height);
        m_pClear->setGeometry(right - button, top, button, height);
    } else {
        m_pClear->setGeometry(left, top, right - left, height);
        m_pBrowse->setGeometry(left, top, right - left, height);
    }
    m_pEdit->setText(Q(DisplayText()));
    m_pEdit->setCursorPosition(0);
    m_pEdit->show();
    m_pEdit->setFocus();
    m_pBrowse->show();
    m_pClear->show();
}

void CExcelFileItem::EndEdit() {
    m_pEdit->hide();
    m_pBrowse->hide();
    m_pClear->hide();
}

void CExcelFileItem::OnCommand(int notifyCode, int id) {
    if (notifyCode != BN_CLICKED)
        return;
    if (id == kBrowseId) {
        CString file = m_strFile, sheet = m_strSheet;
        if (!PickWorkbookAndSheet(m_strPrompt, file, sheet))
            return;
        m_strFile = file;
        m_strSheet = sheet;
        m_pEdit->setText(Q(DisplayText()));
        m_pList->EndEdit();
    } else if (id == kClearId) {
        m_strFile.Empty();
        m_strSheet.Empty();
        m_pEdit->clear();
        m_pList->viewport()->update();
    }
}
