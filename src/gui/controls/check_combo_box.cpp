#include "gui/controls/check_combo_box.h"

#include <QFontMetrics>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QToolTip>

#include "gui/controls/check_combo_tree.h"

namespace {

constexpr int kTipLimit = 1000;
constexpr int kTipKept = 997;

// The names of a ";"-separated list, blanks around each ignored.
bool HoldsName(const CString& text, const CString& name) {
    int start = 0;
    while (start <= text.GetLength()) {
        int end = text.Find(';', start);
        if (end < 0)
            end = text.GetLength();
        CString part = text.Mid(start, end - start);
        if (part.Trim() == name)
            return true;
        start = end + 1;
    }
    return false;
}

// Breaks a text into lines no wider than width: after a ";" or a blank where one fits,
// else between characters (never inside a UTF-8 sequence).
QString WrapForTip(const QString& text, const QFontMetrics& metrics, int width) {
    QString out;
    QString line;
    int lastBreak = -1;  // index in line just after the last break character
    for (QChar ch : text) {
        line += ch;
        if (ch == QLatin1Char(';') || ch == QLatin1Char(' '))
            lastBreak = static_cast<int>(line.size());
        if (metrics.horizontalAdvance(line) <= width || line.size() == 1)
            continue;
        int cut = lastBreak > 0 && lastBreak < line.size() ? lastBreak : line.size() - 1;
        if (ch.isLowSurrogate() && cut == line.size() - 1)
            --cut;
        if (cut <= 0)
            continue;
        out += line.left(cut) + QLatin1Char('\n');
        line = line.mid(cut);
        lastBreak = -1;
    }
    return out + line;
}

}  // namespace

CCheckComboBox::CCheckComboBox(QWidget* parent) : QComboBox(parent) {
    setEditable(true);
    setInsertPolicy(QComboBox::NoInsert);
    // The tooltip follows what is typed as well as what is picked.
    connect(lineEdit(), &QLineEdit::textChanged, this, [this] {
        if (!IsDroppedDown())
            UpdateTooltip();
    });
}

CCheckComboBox::~CCheckComboBox() {
    if (m_pTree) {
        m_pTree->hide();
        delete m_pTree;
        m_pTree = nullptr;
    }
}

void CCheckComboBox::AddEntry(const CString& text, int marker, int level) {
    if (m_entries.empty())
        m_entries.push_back({text, -1, 0, 0, 0});
    m_entries.push_back({text, marker, level, 0, marker != -1 ? 1 : 0});
    if (level > m_nMaxLevel)
        m_nMaxLevel = level;
}

void CCheckComboBox::RemoveAllEntries() {
    m_entries.clear();
}

bool CCheckComboBox::CreateTree() {
    if (!m_pTree)
        m_pTree = new CCheckComboTree(this);
    m_pTree->Fill();
    return true;
}

void CCheckComboBox::RebuildTree() {
    if (m_pTree)
        m_pTree->Fill();
}

void CCheckComboBox::ToggleDropDown() {
    if (!m_pTree && !CreateTree())
        return;
    PlaceTree();
    if (m_pTree->isVisible())
        HideTree();
    else
        ShowTree();
}

bool CCheckComboBox::IsDroppedDown() const {
    return m_pTree && m_pTree->isVisible();
}

CString CCheckComboBox::GetText() const {
    return CString(currentText().toStdString());
}

void CCheckComboBox::SetText(const CString& text) {
    setEditText(QString::fromUtf8(text.GetString()));
}

void CCheckComboBox::AppendToText(const CString& name) {
    CString text = GetText();
    if (HoldsName(text, name))
        return;
    if (text.IsEmpty() || text == kAllWorksheets)
        SetText(name);
    else
        SetText(text + ";" + name);
}

void CCheckComboBox::UpdateTooltip() {
    CString text = GetText();
    if (text.GetLength() > kTipLimit) {
        // Cut at a character boundary: never inside a UTF-8 sequence.
        int cut = kTipKept;
        while (cut > 0 && (static_cast<unsigned char>(text.GetAt(cut)) & 0xC0) == 0x80)
            --cut;
        text = text.Left(cut) + "...";
    }
    m_strTip = text;
    QString tip = QString::fromUtf8(text.GetString());
    setToolTip(tip.isEmpty() ? QString()
                             : WrapForTip(tip, QFontMetrics(QToolTip::font()), kTipMaxWidth));
}

void CCheckComboBox::showPopup() {
    if (!IsDroppedDown())
        ToggleDropDown();
}

void CCheckComboBox::hidePopup() {
    if (IsDroppedDown())
        HideTree();
}

void CCheckComboBox::keyPressEvent(QKeyEvent* event) {
    const int key = event->key();
    const bool alt = event->modifiers() & Qt::AltModifier;
    if (key == Qt::Key_F4 || (alt && (key == Qt::Key_Up || key == Qt::Key_Down))) {
        ToggleDropDown();
        event->accept();
        return;
    }
    if (key == Qt::Key_Up || key == Qt::Key_Down) {
        event->accept();
        return;
    }
    QComboBox::keyPressEvent(event);
}

void CCheckComboBox::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        QComboBox::mousePressEvent(event);
        return;
    }
    OnClick();
    event->accept();
}

void CCheckComboBox::mouseDoubleClickEvent(QMouseEvent* event) {
    mousePressEvent(event);
}

void CCheckComboBox::OnClick() {
    if (m_pfnOnClick)
        m_pfnOnClick(m_pClickContext);
    ToggleDropDown();
}

void CCheckComboBox::PlaceTree() {
    if (m_nDropWidth < 0)
        m_nDropWidth = width();
    QPoint corner = mapToGlobal(QPoint(0, height()));
    m_pTree->setGeometry(corner.x(), corner.y(), m_nDropWidth, kDropHeight);
}

void CCheckComboBox::ShowTree() {
    if (!m_pTree->currentItem() && m_pTree->Root())
        m_pTree->setCurrentItem(m_pTree->Root());
    m_pTree->show();
    m_pTree->setFocus();
    m_strTip.Empty();
    setToolTip(QString());
}

void CCheckComboBox::HideTree() {
    m_pTree->hide();  // the tree's hide handler updates the tooltip
}
