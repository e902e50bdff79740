// Style sheets and style properties of the rich-text markup: parsing a style sheet into
// rules, and applying a rule's properties or a font tag's attributes to a style.
#pragma once

#include <string_view>
#include <utility>
#include <vector>

#include "gui/richtext/markup/rich_text_values.h"

namespace tabulon::richtext {

// The style sheet installed when none is given, one rule per line.
extern const char* const kDefaultStyleSheet;

// The rules of a style-sheet text in order: (selector, property text).
std::vector<std::pair<CString, CString>> ParseStyleSheet(std::string_view text);

// What values are measured with: the surface (pixels per inch, "ex") and the colours.
struct StyleContext {
    IRichTextSurface& surface;
    const RichSystemColors& systemColors;
};

// Applies "name: value; ..." to style; unknown properties and malformed values change
// nothing.
void ApplyProperties(RichTextStyle& style, std::string_view properties, StyleContext& ctx);
// The attributes face, size, color, style, weight and bkgnd of a font tag.
void ApplyFontAttributes(RichTextStyle& style, const RichToken& tag, StyleContext& ctx);

// text-transform applied to a run.
CString TransformText(const CString& text, int transform);

}  // namespace tabulon::richtext
