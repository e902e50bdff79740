#include "gui/input/sheet_combo.h"

#include <QEvent>
#include <QLineEdit>
#include <QSignalBlocker>

#include "platform/field_checks.h"

namespace {

QString Q(const CString& text) {
    return QString::fromUtf8(text.GetString());
}

}  // namespace

CSheetCombo::CSheetCombo(QWidget* parent) : QComboBox(parent) {
    setEditable(true);
    setInsertPolicy(QComboBox::NoInsert);
    setObjectName(QStringLiteral("combo700"));
    lineEdit()->installEventFilter(this);
    installEventFilter(this);
    // Typing changes the list; a choice from the pop-up is applied to it in OnChosen.
    connect(lineEdit(), &QLineEdit::textEdited, this,
            [this](const QString& text) { m_lastText = text; });
    connect(this, qOverload<int>(&QComboBox::activated), this, [this](int i) { OnChosen(i); });
}

void CSheetCombo::CreateTree() {
    m_bTree = true;
    RebuildTree();
}

void CSheetCombo::AddEntry(const CString& name, int image, int checkable) {
    (void)image;
    (void)checkable;
    m_entries.push_back(name);
}

void CSheetCombo::RemoveAllEntries() {
    m_entries.clear();
}

void CSheetCombo::RebuildTree() {
    const QString text = m_lastText;
    QSignalBlocker block(this);
    clear();
    addItem(QString::fromLatin1(tabulon::platform::kAllWorksheets));
    for (const CString& name : m_entries)
        addItem(Q(name));
    setCurrentIndex(-1);
    setEditText(text);
}

CString CSheetCombo::Text() const {
    return CString(currentText().toUtf8().toStdString());
}

void CSheetCombo::SetText(const CString& text) {
    m_lastText = Q(text);
    setEditText(m_lastText);
}

std::vector<CString> CSheetCombo::Offered() const {
    std::vector<CString> names;
    for (int i = 0; i < count(); ++i)
        names.emplace_back(itemText(i).toUtf8().toStdString());
    return names;
}

void CSheetCombo::OnChosen(int index) {
    const QString chosen = itemText(index);
    const QString all = QString::fromLatin1(tabulon::platform::kAllWorksheets);
    QStringList names;
    for (const QString& name : m_lastText.split(';', Qt::SkipEmptyParts)) {
        if (name != all)
            names << name;
    }
    if (chosen == all)
        names = QStringList{all};
    else if (names.contains(chosen))
        names.removeAll(chosen);
    else
        names << chosen;
    SetText(CString(names.join(';').toUtf8().toStdString()));
}

bool CSheetCombo::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseButtonPress && m_onClick)
        m_onClick();
    return QComboBox::eventFilter(watched, event);
}
