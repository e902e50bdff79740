// Cuts XML text into elements without parsing it fully: for parts or pieces of
// parts that are carried as they were written rather than read. Assumes text
// an XML parser has accepted or will accept; on text it cannot follow it stops
// early rather than fail.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

namespace tabulon::spreadsheet::xml {

// The root element's start tag.
struct RootTag {
    std::string_view name;                              // as written, prefix included
    std::string_view attributes;                        // the text between the name and '>'
    std::size_t contentStart = std::string_view::npos;  // just past '>'; npos when none
};
RootTag FindRoot(std::string_view text);

// Calls `visit` with the local name and the whole text of every child element
// of the element whose content starts at `contentStart`, until its end tag.
// `skipFast` names a child whose end tag is searched for from the end of the
// text (a big element that occurs once, such as sheetData, followed by little).
void ForEachChild(
    std::string_view text, std::size_t contentStart,
    const std::function<void(std::string_view local, std::string_view element)>& visit,
    std::string_view skipFast = {});

// The value of attribute `name` (as written, prefix included) in a start tag's
// attribute text, entities left as they are; empty when absent.
std::string_view AttributeText(std::string_view attributes, std::string_view name);
// `text` with its character and entity references (&amp; &#10; ...) replaced
// by the characters they stand for.
std::string DecodeEntities(std::string_view text);

// The start tag's attribute text of `element` (its text from the name on).
std::string_view StartTagAttributes(std::string_view element);

}  // namespace tabulon::spreadsheet::xml
