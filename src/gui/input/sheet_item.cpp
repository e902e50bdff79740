#include "gui/input/sheet_item.h"

#include <QFutureWatcher>
#include <QtConcurrent/QtConcurrentRun>
#include <optional>

#include "engine/automation/application.h"
#include "engine/automation/com_error.h"
#include "engine/sheet/sheet_helpers.h"
#include "gui/controls/check_combo_box.h"
#include "gui/controls/check_combo_tree.h"

namespace {

using Names = std::optional<std::vector<CString>>;

// On a worker thread: a session of its own, the names, the session quit.
Names CollectNames(const CString& path) {
    using namespace tabulon::engine;
    try {
        _Application session = _Application::Create();
        std::vector<CString> names;
        CollectWorksheetNames(session, path, names);
        session.Quit();
        return names;
    } catch (const ComError&) {
        return std::nullopt;
    }
}

}  // namespace

CSheetItem::CSheetItem(const CString& label, const CString& value, const CString& options,
                       RefreshCallback refresh, void* context, bool bold)
    : CPropertyItem(label, value, bold),
      m_strOptions(options),
      m_pfnRefresh(refresh),
      m_pRefreshContext(context) {}

CSheetItem::~CSheetItem() = default;  // the editor is a child of the list

void CSheetItem::CreateEditors(const QFont& font) {
    m_pCombo = new CCheckComboBox(m_pList->EditorParent());
    m_pCombo->setObjectName(QStringLiteral("combo700"));
    m_pCombo->setFont(font);
    m_pCombo->hide();
    m_pCombo->CreateTree();
    m_pCombo->m_pfnOnClick = &OnComboClick;
    m_pCombo->m_pClickContext = this;
}

void CSheetItem::OnComboClick(void* item) {
    auto* self = static_cast<CSheetItem*>(item);
    if (self->m_pfnRefresh)
        self->m_pfnRefresh(self->m_pRefreshContext);
}

void CSheetItem::BeginEdit(int left, int top, int right, int bottom) {
    m_pCombo->setGeometry(left, top, right - left, bottom - top);
    m_pCombo->clear();
    // The choices of the option text ("A|B|C|": each one ended by its bar) become entries;
    // the pop-up lists them from its next rebuild on.
    int start = 0;
    for (int bar = m_strOptions.Find('|'); bar >= 0; bar = m_strOptions.Find('|', start)) {
        m_pCombo->AddEntry(m_strOptions.Mid(start, bar - start), -1, 1);
        start = bar + 1;
    }
    m_pCombo->show();
    m_pCombo->setFocus();
    m_pCombo->SetText(m_strValue);
}

void CSheetItem::EndEdit() {
    m_pCombo->hide();
    m_strValue = m_pCombo->GetText();
}

void CSheetItem::FillFromPath(const CString& path) {
    if (path.IsEmpty())
        return;
    CString target = path;
    if (target.GetLength() > 1 && target.Right(1) == "/")
        target = target.Left(target.GetLength() - 1);
    ++m_nReads;
    ++m_nFilling;
    const int generation = ++m_nGeneration;
    auto* watcher = new QFutureWatcher<Names>(m_pCombo);
    QObject::connect(watcher, &QFutureWatcherBase::finished, m_pCombo, [this, watcher, generation] {
        const Names names = watcher->result();
        watcher->deleteLater();
        --m_nFilling;
        if (names && generation == m_nGeneration)
            OfferNames(*names);
    });
    watcher->setFuture(QtConcurrent::run([target] { return CollectNames(target); }));
}

void CSheetItem::OfferNames(const std::vector<CString>& names) {
    m_pCombo->RemoveAllEntries();
    if (!m_pCombo->Tree())
        m_pCombo->CreateTree();
    for (const CString& name : names)
        m_pCombo->AddEntry(name, 2, 1);
    m_pCombo->RebuildTree();
    if (m_pCombo->Tree())
        m_pCombo->Tree()->setEnabled(true);
}
