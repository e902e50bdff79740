#include "gui/input/edit_items.h"

#include <QColorDialog>
#include <QComboBox>
#include <QFontDialog>
#include <QLineEdit>
#include <QPushButton>
#include <cstdlib>

#include "platform/prompt.h"

namespace {

QString Q(const CString& text) {
    return QString::fromUtf8(text.GetString());
}
CString C(const QString& text) {
    return CString(text.toUtf8().toStdString());
}

}  // namespace

CComboItem::CComboItem(const CString& label, const CString& value, std::vector<CString> options,
                       bool bold)
    : CPropertyItem(label, value, bold), m_options(std::move(options)) {}

CComboItem::~CComboItem() = default;  // the editor is a child of the list

void CComboItem::CreateEditors(const QFont& font) {
    m_pCombo = new QComboBox(m_pList->EditorParent());
    m_pCombo->setObjectName(QStringLiteral("combo%1").arg(kComboId));
    m_pCombo->setFont(font);
    m_pCombo->hide();
}

void CComboItem::BeginEdit(int left, int top, int right, int bottom) {
    m_pCombo->setGeometry(left, top, right - left, bottom - top);
    m_pCombo->clear();
    for (const CString& option : m_options)
        m_pCombo->addItem(Q(option));
    m_pCombo->show();
    m_pCombo->setFocus();
    const int found = m_pCombo->findText(Q(m_strValue), Qt::MatchFixedString);  // any case
    m_pCombo->setCurrentIndex(found >= 0 ? found : 0);
}

void CComboItem::EndEdit() {
    m_pCombo->hide();
    m_strValue = C(m_pCombo->currentText());
}

void ParseRgbValue(const CString& value, int& red, int& green, int& blue) {
    red = green = blue = 0;
    if (value.Find("RGB") < 0)
        return;
    const int first = value.Find(',', 4);
    const int second = first < 0 ? -1 : value.Find(',', first + 1);
    const int close = second < 0 ? -1 : value.Find(')', second + 1);
    if (first < 0 || second < 0 || close < 0)
        return;
    red = std::atoi(value.Mid(4, first - 4).GetString());
    green = std::atoi(value.Mid(first + 1, second - first - 1).GetString());
    blue = std::atoi(value.Mid(second + 1, close - second - 1).GetString());
}

CEditItem::CEditItem(const CString& label, const CString& value, int editKind, bool bold)
    : CPropertyItem(label, value, bold), m_nEditKind(editKind) {}

CEditItem::~CEditItem() = default;  // the editors are children of the list

void CEditItem::CreateEditors(const QFont& font) {
    QWidget* parent = m_pList->EditorParent();
    m_pButton = new QPushButton(QStringLiteral("Browse"), parent);
    m_pButton->setObjectName(QStringLiteral("button%1").arg(kBrowseId));
    m_pButton->setFont(font);
    m_pButton->hide();
    QObject::connect(m_pButton, &QPushButton::clicked,
                     [list = m_pList] { list->RouteCommand(BN_CLICKED, kBrowseId); });
    m_pEdit = new QLineEdit(parent);
    m_pEdit->setObjectName(QStringLiteral("edit%1").arg(kEditId));
    m_pEdit->setFont(font);
    m_pEdit->hide();
}

void CEditItem::BeginEdit(int left, int top, int right, int bottom) {
    const int height = bottom - top - 3;
    const int button = m_pList->Scaled(kButtonWidth);
    const bool wide = right - left > button;
    if (m_nEditKind == kTextOnly) {
        m_pEdit->setGeometry(left, top, right - left, height);
    } else if (m_nEditKind == kButtonOnly) {
        m_pButton->setGeometry(left, top, wide ? button : right - left, height);
    } else {
        m_pEdit->setGeometry(left, top, std::max(0, right - button - left), height);
        if (wide)
            m_pButton->setGeometry(right - button, top, button, height);
        else
            m_pButton->setGeometry(left, top, right - left, height);
    }
    if (m_nEditKind != kButtonOnly) {
        m_pEdit->setText(Q(m_strValue));
        m_pEdit->show();
        m_pEdit->setFocus();
    }
    if (m_nEditKind != kTextOnly)
        m_pButton->show();
}

void CEditItem::EndEdit() {
    m_pButton->hide();
    if (m_nEditKind == kButtonOnly)
        return;
    m_pEdit->hide();
    m_strValue = C(m_pEdit->text());
}

bool CEditItem::RunBrowse(CString& value) {
    using namespace tabulon::platform;
    switch (m_nEditKind) {
        case kColor: {
            int r, g, b;
            ParseRgbValue(C(m_pEdit->text()), r, g, b);
            const QColor color = QColorDialog::getColor(QColor(r, g, b), m_pList);
            if (!color.isValid())
                return false;
            value.Format("RGB(%d,%d,%d)", color.red(), color.green(), color.blue());
            return true;
        }
        case kFont: {
            bool ok = false;
            const QFont font = QFontDialog::getFont(&ok, m_pList->font(), m_pList);
            if (!ok)
                return false;
            value = C(font.family());
            return true;
        }
        case kFile: {
            const CString current = C(m_pEdit->text());
            const int slash = current.ReverseFind('/');
            value = PromptForFile("", "", m_strFilter, "Select file",
                                  OFN_EXPLORER | OFN_HIDEREADONLY | OFN_FILEMUSTEXIST,
                                  slash >= 0 ? current.Left(slash) : CString());
            return !value.IsEmpty();
        }
        case kFolder:
            value = BrowseForFolder("");
            return !value.IsEmpty();
        case kCallback:
            return m_pfnBrowse && m_pfnBrowse(&value, m_pBrowseContext);
        default:
            return false;
    }
}

void CEditItem::OnCommand(int notifyCode, int id) {
    if (notifyCode != BN_CLICKED || id != kBrowseId)
        return;
    CString value;
    if (!RunBrowse(value)) {
        if (m_pEdit->isVisible())
            m_pEdit->setFocus();
        return;
    }
    m_strValue = value;
    m_pEdit->setText(Q(value));
    // The row is closed with its new value; choosing it again reopens it.
    m_pList->EndEdit();
}
