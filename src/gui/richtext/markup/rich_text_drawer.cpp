#include "gui/richtext/markup/rich_text_drawer.h"

#include "gui/richtext/markup/rich_text_styles.h"
#include "platform/desktop.h"

using namespace tabulon::richtext;

RichFont RichTextStyle::Font() const {
    return {face, size, weight, italic != 0, underline != 0, strikeout != 0, overline != 0};
}

CRichTextDrawer::CRichTextDrawer(const RichSystemColors* systemColors)
    : m_systemColors(systemColors ? *systemColors : ClassicSystemColors()),
      m_disabledColor(m_systemColors[16]) {
    SetStyleSheet(CString());
}

CRichTextDrawer::~CRichTextDrawer() = default;

void CRichTextDrawer::SetText(const CString& text) {
    m_strText = text;
}

void CRichTextDrawer::SetStyleSheet(const CString& text) {
    m_styleSheet.clear();
    for (auto& [selector, properties] :
         ParseStyleSheet(text.IsEmpty() ? std::string_view(kDefaultStyleSheet) : text.Str()))
        SetStyleRule(selector, properties);
}

void CRichTextDrawer::SetStyleRule(const CString& selector, const CString& properties) {
    m_styleSheet[CString(selector).MakeLower()] = properties;
}

CString CRichTextDrawer::StyleRule(const CString& selector) const {
    auto it = m_styleSheet.find(CString(selector).MakeLower());
    return it == m_styleSheet.end() ? CString() : it->second;
}

CString CRichTextDrawer::PrepareSource(const CString& text) const {
    CString source = "<body>" + text + "</body>";
    ReplaceEntities(source);
    source.Remove('\r');
    if (m_bKeepLineBreaks) {
        source.Replace("\n", "<br>");
        source.Replace("\t", "<t>");
    } else {
        source.Remove('\n');
        source.Remove('\t');
    }
    return source;
}

int CRichTextDrawer::HitTest(int x, int y) {
    int index = -1;
    for (size_t i = 0; i < m_links.size(); ++i) {
        if (m_links[i].rect.Contains(x, y)) {
            index = static_cast<int>(i);
            break;
        }
    }
    const int hot = index >= 0 ? m_links[index].id : kNoHotLink;
    if (hot != m_nHotLink) {
        m_nHotLink = hot;
        if (m_onHotLink)
            m_onHotLink();
    }
    return index;
}

void CRichTextDrawer::ActivateLink(int index) {
    if (index < 0 || index >= static_cast<int>(m_links.size()))
        return;
    const RichLinkArea link = m_links[index];  // a handler may draw again
    if (link.text.IsEmpty())
        return;
    if (link.kind == 1) {
        if (m_onHref)
            m_onHref(link.text);
        else
            tabulon::platform::OpenWithDesktopApplication(link.text);
    } else if (link.kind == 2 && m_onMessage) {
        m_onMessage(link.text);
    }
}

RichColor CRichTextDrawer::SystemColor(int index) const {
    return index >= 0 && index < static_cast<int>(m_systemColors.size()) ? m_systemColors[index]
                                                                         : 0;
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
