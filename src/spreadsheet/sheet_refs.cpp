#include "spreadsheet/sheet_refs.h"

#include <cctype>

namespace tabulon::spreadsheet {
namespace {

bool PlainNameChar(char c) {
    return std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '.' ||
           (static_cast<unsigned char>(c) & 0x80) != 0;
}

bool SameNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(a[i])) !=
            std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    }
    return true;
}

}  // namespace

std::string QuotedSheetName(std::string_view name) {
    bool plain = !name.empty() && !std::isdigit(static_cast<unsigned char>(name.front()));
    for (char c : name)
        plain = plain && PlainNameChar(c);
    if (plain)
        return std::string(name);
    std::string out = "'";
    for (char c : name) {
        out += c;
        if (c == '\'')
            out += '\'';
    }
    return out + "'";
}

std::string RepointSheet(std::string_view text, std::string_view from, std::string_view to) {
    if (SameNoCase(from, to))
        return std::string(text);
    const std::string target = QuotedSheetName(to);
    std::string out;
    out.reserve(text.size());
    std::size_t i = 0;
    while (i < text.size()) {
        const char c = text[i];
        if (c == '"') {  // a string literal
            const std::size_t end = text.find('"', i + 1);
            const std::size_t stop = end == std::string_view::npos ? text.size() : end + 1;
            out.append(text.substr(i, stop - i));
            i = stop;
            continue;
        }
        const bool boundary =
            i == 0 || (!PlainNameChar(text[i - 1]) && text[i - 1] != ']' && text[i - 1] != '\'');
        if (c == '\'' && boundary) {
            std::string name;
            std::size_t j = i + 1;
            for (; j < text.size(); ++j) {
                if (text[j] == '\'') {
                    if (j + 1 < text.size() && text[j + 1] == '\'') {
                        name += '\'';
                        ++j;
                        continue;
                    }
                    break;
                }
                name += text[j];
            }
            if (j + 1 < text.size() && text[j + 1] == '!' && SameNoCase(name, from)) {
                out += target;
                i = j + 1;
                continue;
            }
            out.append(text.substr(i, std::min(j + 1, text.size()) - i));
            i = std::min(j + 1, text.size());
            continue;
        }
        if (boundary && PlainNameChar(c)) {
            std::size_t j = i;
            while (j < text.size() && PlainNameChar(text[j]))
                ++j;
            if (j < text.size() && text[j] == '!' && SameNoCase(text.substr(i, j - i), from)) {
                out += target;
                i = j;
                continue;
            }
            out.append(text.substr(i, j - i));
            i = j;
            continue;
        }
        out += c;
        ++i;
    }
    return out;
}

}  // namespace tabulon::spreadsheet
