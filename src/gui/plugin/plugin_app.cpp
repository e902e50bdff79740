#include "gui/plugin/plugin_app.h"

#include <QAbstractItemView>
#include <QItemSelectionModel>
#include <QPainter>
#include <memory>

#include "gui/input/input_view.h"
#include "gui/plugin/gui_prompt.h"
#include "output/task_messages.h"
#include "platform/paths.h"
#include "platform/prompt.h"

CPluginApp theApp;

void CPluginApp::InstallPromptService() {
    if (m_bPromptServiceInstalled)
        return;
    m_bPromptServiceInstalled = true;
    tabulon::platform::SetPromptService(std::make_shared<tabulon::gui::CGuiPromptService>());
}

void CPluginApp::SelectWorkMode(const CString& guid) {
    if (m_pInputView)
        m_pInputView->SelectWorkMode(guid);
}

CString CPluginApp::GetIniPath() {
    return tabulon::platform::GetIniPath();
}

CString CPluginApp::GetResourceFolder() const {
    return tabulon::platform::GetResourceFolder();
}

bool CPluginApp::PostFinished(const tabulon::platform::CNotifyHandle& target, const CString& text) {
    return tabulon::output::PostFinished(target, text);
}

bool CPluginApp::PostText(const tabulon::platform::CNotifyHandle& target, const CString& text) {
    return tabulon::output::PostText(target, text);
}

CString CPluginApp::BeginProgress(const tabulon::platform::CNotifyHandle& target,
                                  const CString& text) {
    return tabulon::output::BeginProgress(target, text);
}

bool CPluginApp::UpdateProgress(const tabulon::platform::CNotifyHandle& target,
                                const CString& progressId, const CString& text) {
    return tabulon::output::UpdateProgress(target, progressId, text);
}

bool CPluginApp::EndProgress(const tabulon::platform::CNotifyHandle& target,
                             const CString& progressId, const CString& text) {
    return tabulon::output::EndProgress(target, progressId, text);
}

CString CPluginApp::PromptResultFile(CString& path) {
    return tabulon::output::PromptResultFile(path);
}

QWidget* FindView(const CDocument* doc, const CRuntimeClass* runtimeClass) {
    if (!doc)
        return nullptr;
    for (const CDocument::ViewEntry& entry : doc->Views()) {
        if (entry.runtimeClass && entry.runtimeClass->IsDerivedFrom(runtimeClass))
            return entry.view;
    }
    return nullptr;
}

int GetSelectedItem(const QAbstractItemView* list) {
    if (!list || !list->selectionModel())
        return -1;
    int first = -1;
    for (const QModelIndex& index : list->selectionModel()->selectedIndexes()) {
        if (first < 0 || index.row() < first)
            first = index.row();
    }
    return first;
}

QPixmap LoadBitmapFile(const CString& path) {
    QPixmap bitmap;
    if (!bitmap.load(QString::fromUtf8(path.GetString())))
        return QPixmap();
    return bitmap;
}

int FillWithBitmap(const QPixmap& bitmap, QPainter& painter, int left, int top, int right,
                   int bottom) {
    if (!bitmap.isNull())
        painter.drawTiledPixmap(QRect(0, 0, right - left, bottom - top), bitmap);
    return 1;
}
