#include "spreadsheet/xml_elements.h"

#include <cstdlib>

namespace tabulon::spreadsheet::xml {
namespace {

bool NameChar(char c) {
    return c != ' ' && c != '\t' && c != '\r' && c != '\n' && c != '/' && c != '>';
}

// Past the '>' of the tag starting at `at` ('<'), quotes respected; npos when
// the text ends first. `selfClosing` tells whether it ended with "/>".
std::size_t TagEnd(std::string_view text, std::size_t at, bool& selfClosing) {
    char quote = 0;
    for (std::size_t i = at + 1; i < text.size(); ++i) {
        const char c = text[i];
        if (quote) {
            if (c == quote)
                quote = 0;
        } else if (c == '"' || c == '\'') {
            quote = c;
        } else if (c == '>') {
            selfClosing = text[i - 1] == '/';
            return i + 1;
        }
    }
    return std::string_view::npos;
}

// Past the markup starting at `at` when it is a comment, CDATA section or
// processing instruction; `at` when it is none of them; npos when unfinished.
std::size_t SkipSpecial(std::string_view text, std::size_t at) {
    auto past = [&](std::string_view open, std::string_view close) -> std::size_t {
        if (text.compare(at, open.size(), open) != 0)
            return at;
        const std::size_t end = text.find(close, at + open.size());
        return end == std::string_view::npos ? end : end + close.size();
    };
    for (const auto& [open, close] : {std::pair<std::string_view, std::string_view>{"<!--", "-->"},
                                      {"<![CDATA[", "]]>"},
                                      {"<?", "?>"},
                                      {"<!", ">"}}) {
        const std::size_t end = past(open, close);
        if (end != at)
            return end;
    }
    return at;
}

// Past the end of the element whose start tag begins at `at`; npos when the
// text ends first.
std::size_t ElementEnd(std::string_view text, std::size_t at) {
    int depth = 0;
    std::size_t i = at;
    while (i < text.size()) {
        i = text.find('<', i);
        if (i == std::string_view::npos)
            return i;
        const std::size_t special = SkipSpecial(text, i);
        if (special == std::string_view::npos)
            return special;
        if (special != i) {
            i = special;
            continue;
        }
        bool selfClosing = false;
        const std::size_t end = TagEnd(text, i, selfClosing);
        if (end == std::string_view::npos)
            return end;
        if (text[i + 1] == '/')
            --depth;
        else if (!selfClosing)
            ++depth;
        i = end;
        if (depth == 0)
            return i;
    }
    return std::string_view::npos;
}

}  // namespace

RootTag FindRoot(std::string_view text) {
    RootTag root;
    std::size_t i = 0;
    while ((i = text.find('<', i)) != std::string_view::npos) {
        const std::size_t special = SkipSpecial(text, i);
        if (special == std::string_view::npos)
            return root;
        if (special != i) {
            i = special;
            continue;
        }
        std::size_t n = i + 1;
        while (n < text.size() && NameChar(text[n]))
            ++n;
        root.name = text.substr(i + 1, n - i - 1);
        bool selfClosing = false;
        const std::size_t end = TagEnd(text, i, selfClosing);
        if (end == std::string_view::npos)
            return root;
        root.attributes = text.substr(n, end - n - (selfClosing ? 2 : 1));
        if (!selfClosing)
            root.contentStart = end;
        return root;
    }
    return root;
}

void ForEachChild(std::string_view text, std::size_t contentStart,
                  const std::function<void(std::string_view, std::string_view)>& visit,
                  std::string_view skipFast) {
    std::size_t i = contentStart;
    while (i < text.size()) {
        i = text.find('<', i);
        if (i == std::string_view::npos || i + 1 >= text.size() || text[i + 1] == '/')
            return;
        const std::size_t special = SkipSpecial(text, i);
        if (special == std::string_view::npos)
            return;
        if (special != i) {
            i = special;
            continue;
        }
        std::size_t n = i + 1;
        while (n < text.size() && NameChar(text[n]))
            ++n;
        const std::string_view name = text.substr(i + 1, n - i - 1);
        const std::size_t colon = name.find(':');
        const std::string_view local =
            colon == std::string_view::npos ? name : name.substr(colon + 1);
        std::size_t end;
        if (!skipFast.empty() && local == skipFast) {
            bool selfClosing = false;
            end = TagEnd(text, i, selfClosing);
            if (end != std::string_view::npos && !selfClosing) {
                // Looked for from the end: the big element is the only one
                // of its name, and what follows it is short.
                const std::string close = "</" + std::string(name) + ">";
                const std::size_t last = text.rfind(close);
                end = last == std::string_view::npos || last < end ? std::string_view::npos : last;
                if (end != std::string_view::npos)
                    end += close.size();
            }
        } else {
            end = ElementEnd(text, i);
        }
        if (end == std::string_view::npos)
            return;
        visit(local, text.substr(i, end - i));
        i = end;
    }
}

std::string_view AttributeText(std::string_view attributes, std::string_view name) {
    std::size_t i = 0;
    while ((i = attributes.find(name, i)) != std::string_view::npos) {
        const bool startsName = i == 0 || attributes[i - 1] == ' ' || attributes[i - 1] == '\t' ||
                                attributes[i - 1] == '\n' || attributes[i - 1] == '\r';
        std::size_t j = i + name.size();
        while (j < attributes.size() && (attributes[j] == ' ' || attributes[j] == '\t'))
            ++j;
        if (startsName && j < attributes.size() && attributes[j] == '=') {
            ++j;
            while (j < attributes.size() && (attributes[j] == ' ' || attributes[j] == '\t'))
                ++j;
            if (j < attributes.size() && (attributes[j] == '"' || attributes[j] == '\'')) {
                const std::size_t end = attributes.find(attributes[j], j + 1);
                if (end != std::string_view::npos)
                    return attributes.substr(j + 1, end - j - 1);
            }
        }
        i += name.size();
    }
    return {};
}

std::string DecodeEntities(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const std::size_t semi = text[i] == '&' ? text.find(';', i) : std::string_view::npos;
        if (semi == std::string_view::npos || semi - i > 10) {
            out += text[i];
            continue;
        }
        const std::string_view name = text.substr(i + 1, semi - i - 1);
        unsigned code = 0;
        if (name == "amp")
            code = '&';
        else if (name == "lt")
            code = '<';
        else if (name == "gt")
            code = '>';
        else if (name == "quot")
            code = '"';
        else if (name == "apos")
            code = '\'';
        else if (name.size() > 1 && name[0] == '#')
            code = static_cast<unsigned>(
                name[1] == 'x' || name[1] == 'X'
                    ? std::strtoul(std::string(name.substr(2)).c_str(), nullptr, 16)
                    : std::strtoul(std::string(name.substr(1)).c_str(), nullptr, 10));
        if (code == 0 || code > 0x10FFFF) {
            out += text[i];
            continue;
        }
        if (code < 0x80) {
            out += static_cast<char>(code);
        } else if (code < 0x800) {
            out += static_cast<char>(0xC0 | (code >> 6));
            out += static_cast<char>(0x80 | (code & 0x3F));
        } else if (code < 0x10000) {
            out += static_cast<char>(0xE0 | (code >> 12));
            out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (code & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (code >> 18));
            out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (code & 0x3F));
        }
        i = semi;
    }
    return out;
}

std::string_view StartTagAttributes(std::string_view element) {
    bool selfClosing = false;
    const std::size_t end = TagEnd(element, 0, selfClosing);
    if (end == std::string_view::npos)
        return {};
    std::size_t n = 1;
    while (n < element.size() && NameChar(element[n]))
        ++n;
    return element.substr(n, end - n - (selfClosing ? 2 : 1));
}

}  // namespace tabulon::spreadsheet::xml
