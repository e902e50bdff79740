#include "gui/richtext/markup/rich_text_drawer.h"

RichFont RichTextStyle::Font() const {
    return {face, size, weight, italic != 0, underline != 0, strikeout != 0, overline != 0};
}

CRichTextDrawer::CRichTextDrawer(const RichSystemColors* systemColors)
    : m_systemColors(systemColors ? *systemColors : RichSystemColors{}), m_disabledColor(0) {}
CRichTextDrawer::~CRichTextDrawer() = default;
void CRichTextDrawer::SetText(const CString& text) {
    m_strText = text;
}
void CRichTextDrawer::SetStyleSheet(const CString&) {}
void CRichTextDrawer::SetStyleRule(const CString& selector, const CString& properties) {
    m_styleSheet[CString(selector).MakeLower()] = properties;
}
CString CRichTextDrawer::StyleRule(const CString& selector) const {
    auto it = m_styleSheet.find(CString(selector).MakeLower());
    return it == m_styleSheet.end() ? CString() : it->second;
}
std::pair<int, int> CRichTextDrawer::Measure(IRichTextSurface&, int) {
    return m_size;
}
void CRichTextDrawer::Draw(IRichTextSurface&, const RichRect&, bool) {}
int CRichTextDrawer::HitTest(int, int) {
    return -1;
}
void CRichTextDrawer::ActivateLink(int) {}
RichColor CRichTextDrawer::SystemColor(int index) const {
    return index >= 0 && index < 25 ? m_systemColors[index] : 0;
}
void CRichTextDrawer::SetHrefHandler(std::function<void(const CString&)> handler) {
    m_onHref = std::move(handler);
}
void CRichTextDrawer::SetMessageHandler(std::function<void(const CString&)> handler) {
    m_onMessage = std::move(handler);
}
void CRichTextDrawer::SetHotLinkHandler(std::function<void()> handler) {
    m_onHotLink = std::move(handler);
}
CString CRichTextDrawer::PrepareSource(const CString& text) const {
    return text;
}
