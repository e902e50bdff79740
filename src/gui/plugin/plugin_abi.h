// What the host and the module share across the module boundary: the run-time class
// record of a view, the host's document (the list of views the module's panes register
// in) and the creation context that carries it. Header-only, so the host needs nothing
// of the module but its two exports.
#pragma once

#include <algorithm>
#include <vector>

class QWidget;
struct CCreateContext;

// A view class as the host sees it: its name, its base class (null at the root) and a
// factory that makes a view of it inside parent with the host's creation context.
struct CRuntimeClass {
    const char* m_lpszClassName;
    const CRuntimeClass* m_pBaseClass;
    QWidget* (*m_pfnCreateObject)(QWidget* parent, CCreateContext* context);

    bool IsDerivedFrom(const CRuntimeClass* base) const {
        for (const CRuntimeClass* c = this; c; c = c->m_pBaseClass) {
            if (c == base)
                return true;
        }
        return false;
    }
    QWidget* CreateObject(QWidget* parent, CCreateContext* context) const {
        return m_pfnCreateObject ? m_pfnCreateObject(parent, context) : nullptr;
    }
};

// The host's document: the views that show it, in the order they were added. The host
// keeps it alive longer than every view registered in it.
class CDocument {
  public:
    struct ViewEntry {
        QWidget* view;
        const CRuntimeClass* runtimeClass;
    };

    void AddView(QWidget* view, const CRuntimeClass* runtimeClass) {
        m_views.push_back({view, runtimeClass});
    }
    void RemoveView(QWidget* view) {
        m_views.erase(std::remove_if(m_views.begin(), m_views.end(),
                                     [view](const ViewEntry& e) { return e.view == view; }),
                      m_views.end());
    }
    const std::vector<ViewEntry>& Views() const { return m_views; }

  private:
    std::vector<ViewEntry> m_views;
};

struct CCreateContext {
    CDocument* m_pCurrentDoc = nullptr;
};

// The exports, resolved by name.
extern "C" {
using QX_GetLayoutViewProc = const CRuntimeClass* (*)();
using QX_OnClickProc = int (*)(const char* command);
}
