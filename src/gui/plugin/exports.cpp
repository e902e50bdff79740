// The two functions the host finds by name in the module.
#include "gui/plugin/layout_view.h"
#include "gui/plugin/plugin_app.h"

extern "C" {

__attribute__((visibility("default"))) const CRuntimeClass* QX_GetLayoutView() {
    return &classCLayoutView;
}

// The host calls this with the GUID text of the work mode the user picked. Before the
// input view exists the call is ignored; the result is 0 in every case.
__attribute__((visibility("default"))) int QX_OnClick(const char* command) {
    if (theApp.m_pInputView && command)
        theApp.SelectWorkMode(CString(command));
    return 0;
}
}
