// The value grammar of the rich-text markup: lengths with their units, colours in every
// form, entities; and the tokeniser of the prepared source.
#pragma once

#include <functional>
#include <optional>
#include <string_view>
#include <utility>
#include <vector>

#include "gui/richtext/markup/rich_text_drawer.h"

namespace tabulon::richtext {

// What a length is measured against.
struct LengthBase {
    int current = 0;               // the value a percentage is taken of
    int pixelsPerInch = 96;        // vertical
    int fontSize = 13;             // for "em"
    std::function<int()> xHeight;  // for "ex", asked only when needed
    bool htmlSizes = false;        // a bare 1 to 7 is an HTML font size
};

// A length in pixels; nullopt for a malformed value (the current value is kept).
std::optional<int> ParseLength(std::string_view value, const LengthBase& base);

// A colour; nullopt keeps the current colour (empty, malformed or unknown).
std::optional<RichColor> ParseColor(std::string_view value, const RichSystemColors& system);

// The classic Windows scheme, for an engine created without the platform's colours.
const RichSystemColors& ClassicSystemColors();

// Replaces the entities one after another, in ascending order of their names.
void ReplaceEntities(CString& text);

// One token of the prepared source: a text run (with "<<" already turned into "<") or a
// tag with its attributes in order.
struct RichToken {
    bool isTag = false;
    bool closing = false;
    CString text;  // the run, or the tag's name
    std::vector<std::pair<CString, CString>> attributes;
    CString rest;  // a tag's text after its name, blanks trimmed

    const CString* Attribute(const char* name) const;
};

// Reads the token at pos and moves pos past it; false at the end.
bool NextToken(std::string_view source, size_t& pos, RichToken& token);

}  // namespace tabulon::richtext
