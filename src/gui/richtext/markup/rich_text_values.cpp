#include "gui/richtext/markup/rich_text_values.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/hex_digit.h"

namespace tabulon::richtext {

namespace {

struct NamedColor {
    const char* name;
    int r, g, b;
};

// The CSS/SVG colour names, each grey spelled once.
constexpr NamedColor kColorNames[] = {
    {"aliceblue", 240, 248, 255},
    {"antiquewhite", 250, 235, 215},
    {"aqua", 0, 255, 255},
    {"aquamarine", 127, 255, 212},
    {"azure", 240, 255, 255},
    {"beige", 245, 245, 220},
    {"bisque", 255, 228, 196},
    {"black", 0, 0, 0},
    {"blanchedalmond", 255, 235, 205},
    {"blue", 0, 0, 255},
    {"blueviolet", 138, 43, 226},
    {"brown", 165, 42, 42},
    {"burlywood", 222, 184, 135},
    {"cadetblue", 95, 158, 160},
    {"chartreuse", 127, 255, 0},
    {"chocolate", 210, 105, 30},
    {"coral", 255, 127, 80},
    {"cornflowerblue", 100, 149, 237},
    {"cornsilk", 255, 248, 220},
    {"crimson", 220, 20, 60},
    {"cyan", 0, 255, 255},
    {"darkblue", 0, 0, 139},
    {"darkcyan", 0, 139, 139},
    {"darkgoldenrod", 184, 134, 11},
    {"darkgray", 169, 169, 169},
    {"darkgreen", 0, 100, 0},
    {"darkkhaki", 189, 183, 107},
    {"darkmagenta", 139, 0, 139},
    {"darkolivegreen", 85, 107, 47},
    {"darkorange", 255, 140, 0},
    {"darkorchid", 153, 50, 204},
    {"darkred", 139, 0, 0},
    {"darksalmon", 233, 150, 122},
    {"darkseagreen", 143, 188, 143},
    {"darkslateblue", 72, 61, 139},
    {"darkslategray", 47, 79, 79},
    {"darkturquoise", 0, 206, 209},
    {"darkviolet", 148, 0, 211},
    {"deeppink", 255, 20, 147},
    {"deepskyblue", 0, 191, 255},
    {"dimgray", 105, 105, 105},
    {"dodgerblue", 30, 144, 255},
    {"firebrick", 178, 34, 34},
    {"floralwhite", 255, 250, 240},
    {"forestgreen", 34, 139, 34},
    {"fuchsia", 255, 0, 255},
    {"gainsboro", 220, 220, 220},
    {"ghostwhite", 248, 248, 255},
    {"gold", 255, 215, 0},
    {"goldenrod", 218, 165, 32},
    {"gray", 128, 128, 128},
    {"green", 0, 128, 0},
    {"greenyellow", 173, 255, 47},
    {"honeydew", 240, 255, 240},
    {"hotpink", 255, 105, 180},
    {"indianred", 205, 92, 92},
    {"indigo", 75, 0, 130},
    {"ivory", 255, 255, 240},
    {"khaki", 240, 230, 140},
    {"lavender", 230, 230, 250},
    {"lavenderblush", 255, 240, 245},
    {"lawngreen", 124, 252, 0},
    {"lemonchiffon", 255, 250, 205},
    {"lightblue", 173, 216, 230},
    {"lightcoral", 240, 128, 128},
    {"lightcyan", 224, 255, 255},
    {"lightgoldenrodyellow", 250, 250, 210},
    {"lightgreen", 144, 238, 144},
    {"lightgrey", 211, 211, 211},
    {"lightpink", 255, 182, 193},
    {"lightsalmon", 255, 160, 122},
    {"lightseagreen", 32, 178, 170},
    {"lightskyblue", 135, 206, 250},
    {"lightslategray", 119, 136, 153},
    {"lightsteelblue", 176, 196, 222},
    {"lightyellow", 255, 255, 224},
    {"lime", 0, 255, 0},
    {"limegreen", 50, 205, 50},
    {"linen", 250, 240, 230},
    {"magenta", 255, 0, 255},
    {"maroon", 128, 0, 0},
    {"mediumaquamarine", 102, 205, 170},
    {"mediumblue", 0, 0, 205},
    {"mediumorchid", 186, 85, 211},
    {"mediumpurple", 147, 112, 219},
    {"mediumseagreen", 60, 179, 113},
    {"mediumslateblue", 123, 104, 238},
    {"mediumspringgreen", 0, 250, 154},
    {"mediumturquoise", 72, 209, 204},
    {"mediumvioletred", 199, 21, 133},
    {"midnightblue", 25, 25, 112},
    {"mintcream", 245, 255, 250},
    {"mistyrose", 255, 228, 225},
    {"moccasin", 255, 228, 181},
    {"navajowhite", 255, 222, 173},
    {"navy", 0, 0, 128},
    {"oldlace", 253, 245, 230},
    {"olive", 128, 128, 0},
    {"olivedrab", 107, 142, 35},
    {"orange", 255, 165, 0},
    {"orangered", 255, 69, 0},
    {"orchid", 218, 112, 214},
    {"palegoldenrod", 238, 232, 170},
    {"palegreen", 152, 251, 152},
    {"paleturquoise", 175, 238, 238},
    {"palevioletred", 219, 112, 147},
    {"papayawhip", 255, 239, 213},
    {"peachpuff", 255, 218, 185},
    {"peru", 205, 133, 63},
    {"pink", 255, 192, 203},
    {"plum", 221, 160, 221},
    {"powderblue", 176, 224, 230},
    {"purple", 128, 0, 128},
    {"red", 255, 0, 0},
    {"rosybrown", 188, 143, 143},
    {"royalblue", 65, 105, 225},
    {"saddlebrown", 139, 69, 19},
    {"salmon", 250, 128, 114},
    {"sandybrown", 244, 164, 96},
    {"seagreen", 46, 139, 87},
    {"seashell", 255, 245, 238},
    {"sienna", 160, 82, 45},
    {"silver", 192, 192, 192},
    {"skyblue", 135, 206, 235},
    {"slateblue", 106, 90, 205},
    {"slategray", 112, 128, 144},
    {"snow", 255, 250, 250},
    {"springgreen", 0, 255, 127},
    {"steelblue", 70, 130, 180},
    {"tan", 210, 180, 140},
    {"teal", 0, 128, 128},
    {"thistle", 216, 191, 216},
    {"tomato", 255, 99, 71},
    {"turquoise", 64, 224, 208},
    {"violet", 238, 130, 238},
    {"wheat", 245, 222, 179},
    {"white", 255, 255, 255},
    {"whitesmoke", 245, 245, 245},
    {"yellow", 255, 255, 0},
    {"yellowgreen", 154, 205, 50},
};
static_assert(std::size(kColorNames) == 140);

struct SystemColorName {
    const char* name;
    int index;
};

constexpr SystemColorName kSystemColorNames[] = {
    {"scrollbar", 0},
    {"background", 1},
    {"activecaption", 2},
    {"inactivecaption", 3},
    {"menu", 4},
    {"window", 5},
    {"windowframe", 6},
    {"menutext", 7},
    {"windowtext", 8},
    {"captiontext", 9},
    {"activeborder", 10},
    {"inactiveborder", 11},
    {"appworkspace", 12},
    {"highlight", 13},
    {"highlighttext", 14},
    {"buttonface", 15},
    {"threedface", 15},
    {"buttonshadow", 16},
    {"threedshadow", 16},
    {"graytext", 17},
    {"buttontext", 18},
    {"inactivecaptiontext", 19},
    {"buttonhighlight", 20},
    {"threedhighlight", 20},
    {"threeddarkshadow", 21},
    {"threedlightshadow", 22},
    {"infotext", 23},
    {"infobackground", 24},
};

struct Entity {
    const char* name;
    const char* text;
};

// In ascending byte order of the names: "&amp;" goes first, so an escaped ampersand
// before "lt;" ends as the escaped less-than sign "<<".
constexpr Entity kEntities[] = {
    {"&amp;", "&"},        {"&bull;", "\u2022"},   {"&copy;", "\u00A9"}, {"&euro;", "\u20AC"},
    {"&gt;", ">"},         {"&iquest;", "\u00BF"}, {"&lt;", "<<"},       {"&nbsp;", " "},
    {"&para;", "\u00B6"},  {"&pound;", "\u00A3"},  {"&quot;", "\""},     {"&reg;", "\u00AE"},
    {"&trade;", "\u2122"},
};

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

std::string_view Trimmed(std::string_view s) {
    while (!s.empty() && IsBlank(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && IsBlank(s.back()))
        s.remove_suffix(1);
    return s;
}

int HtmlFontSize(int n) {
    static constexpr int kSizes[] = {8, 10, 12, 14, 18, 24, 36};
    return kSizes[n - 1];
}

int Clamp(double value) {
    if (!(value == value))  // NaN
        return 0;
    return static_cast<int>(std::lround(std::clamp(value, -1e7, 1e7)));
}

}  // namespace

std::optional<int> ParseLength(std::string_view value, const LengthBase& base) {
    value = Trimmed(value);
    if (value.empty())
        return std::nullopt;
    std::string text(value);
    if (text.back() == '%') {
        double percent = std::strtod(text.c_str(), nullptr);
        return Clamp(static_cast<double>(base.current) * percent / 100.0);
    }
    if (text[0] == '+' || text[0] == '-')
        text.erase(0, 1);
    if (text.empty())
        return std::nullopt;
    const char* start = text.c_str();
    char* end = nullptr;
    double number;
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X'))
        number = static_cast<double>(std::strtoll(start, &end, 16));
    else
        number = std::strtod(start, &end);
    if (end == start)
        return std::nullopt;
    std::string unit = text.size() >= 2 ? text.substr(text.size() - 2) : std::string();
    const double ppi = base.pixelsPerInch;
    if (unit == "px")
        return Clamp(number);
    if (unit == "ex")
        return Clamp(number * (base.xHeight ? base.xHeight() : base.fontSize / 2));
    if (unit == "em")
        return Clamp(number * base.fontSize);
    if (unit == "in")
        return Clamp(number * ppi);
    if (unit == "cm")
        return Clamp(number * ppi * 0.39370078740157477);
    if (unit == "mm")
        return Clamp(number * ppi * 0.03937007874015748);
    if (unit == "pt")
        return Clamp(number * ppi / 72.0);
    if (unit == "pc")
        return Clamp(number * ppi / 6.0);
    if (base.htmlSizes && number >= 1 && number <= 7 && number == std::floor(number))
        return HtmlFontSize(static_cast<int>(number));
    return Clamp(number);
}

std::optional<RichColor> ParseColor(std::string_view value, const RichSystemColors& system) {
    value = Trimmed(value);
    if (value.empty())
        return std::nullopt;
    if (value[0] == '#') {
        if (value.size() != 7)
            return std::nullopt;
        int digits[6];
        for (int i = 0; i < 6; ++i) {
            digits[i] = platform::HexDigit(value[i + 1]);
            if (digits[i] < 0)
                return std::nullopt;
        }
        return RichRgb(digits[0] * 16 + digits[1], digits[2] * 16 + digits[3],
                       digits[4] * 16 + digits[5]);
    }
    if (std::isdigit(static_cast<unsigned char>(value[0]))) {
        std::string text(value);
        return static_cast<RichColor>(std::strtoul(text.c_str(), nullptr, 0) & 0xFFFFFFFFu);
    }
    std::string name(value);
    for (char& c : name)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    for (const NamedColor& color : kColorNames) {
        if (name == color.name)
            return RichRgb(color.r, color.g, color.b);
    }
    for (const SystemColorName& color : kSystemColorNames) {
        if (name == color.name)
            return system[color.index];
    }
    return std::nullopt;
}

const RichSystemColors& ClassicSystemColors() {
    static const RichSystemColors colors = {
        RichRgb(212, 208, 200), RichRgb(58, 110, 165),  RichRgb(10, 36, 106),
        RichRgb(128, 128, 128), RichRgb(212, 208, 200), RichRgb(255, 255, 255),
        RichRgb(0, 0, 0),       RichRgb(0, 0, 0),       RichRgb(0, 0, 0),
        RichRgb(255, 255, 255), RichRgb(212, 208, 200), RichRgb(212, 208, 200),
        RichRgb(128, 128, 128), RichRgb(10, 36, 106),   RichRgb(255, 255, 255),
        RichRgb(212, 208, 200), RichRgb(128, 128, 128), RichRgb(128, 128, 128),
        RichRgb(0, 0, 0),       RichRgb(212, 208, 200), RichRgb(255, 255, 255),
        RichRgb(64, 64, 64),    RichRgb(212, 208, 200), RichRgb(0, 0, 0),
        RichRgb(255, 255, 225),
    };
    return colors;
}

void ReplaceEntities(CString& text) {
    for (const Entity& entity : kEntities)
        text.Replace(entity.name, entity.text);
}

const CString* RichToken::Attribute(const char* name) const {
    for (const auto& [key, value] : attributes) {
        if (key == name)
            return &value;
    }
    return nullptr;
}

namespace {

// Splits a tag's attribute text: name, "=", a value quoted with ' or " up to the same
// mark, or unquoted up to the next blank. A name without "=" gets an empty value.
void ParseAttributes(std::string_view s, std::vector<std::pair<CString, CString>>& out) {
    size_t i = 0;
    while (i < s.size()) {
        while (i < s.size() && IsBlank(s[i]))
            ++i;
        size_t nameStart = i;
        while (i < s.size() && !IsBlank(s[i]) && s[i] != '=')
            ++i;
        CString name(s.substr(nameStart, i - nameStart));
        size_t j = i;
        while (j < s.size() && IsBlank(s[j]))
            ++j;
        CString value;
        if (j < s.size() && s[j] == '=') {
            i = j + 1;
            while (i < s.size() && IsBlank(s[i]))
                ++i;
            if (i < s.size() && (s[i] == '"' || s[i] == '\'')) {
                char quote = s[i++];
                size_t end = s.find(quote, i);
                if (end == std::string_view::npos)
                    end = s.size();
                value = CString(s.substr(i, end - i));
                i = end < s.size() ? end + 1 : end;
            } else {
                size_t start = i;
                while (i < s.size() && !IsBlank(s[i]))
                    ++i;
                value = CString(s.substr(start, i - start));
            }
        } else if (name.IsEmpty() && i < s.size()) {
            ++i;  // a stray "=" without a name
            continue;
        }
        if (!name.IsEmpty())
            out.emplace_back(std::move(name), std::move(value));
    }
}

}  // namespace

bool NextToken(std::string_view source, size_t& pos, RichToken& token) {
    if (pos >= source.size())
        return false;
    token = RichToken();
    if (source[pos] != '<' || (pos + 1 < source.size() && source[pos + 1] == '<')) {
        // A text run up to the next "<" that is not the escaped pair "<<".
        std::string run;
        while (pos < source.size()) {
            size_t next = source.find('<', pos);
            if (next == std::string_view::npos) {
                run.append(source.substr(pos));
                pos = source.size();
                break;
            }
            run.append(source.substr(pos, next - pos));
            pos = next;
            if (next + 1 < source.size() && source[next + 1] == '<') {
                run += '<';
                pos = next + 2;
                continue;
            }
            break;
        }
        token.text = CString(std::move(run));
        return true;
    }
    size_t end = source.find('>', pos + 1);
    if (end == std::string_view::npos) {
        // A tag that never ends: the rest is shown as it stands.
        token.text = CString(source.substr(pos));
        pos = source.size();
        return true;
    }
    std::string_view body = source.substr(pos + 1, end - pos - 1);
    pos = end + 1;
    token.isTag = true;
    if (!body.empty() && body[0] == '/') {
        token.closing = true;
        body.remove_prefix(1);
    }
    size_t nameEnd = 0;
    while (nameEnd < body.size() && !IsBlank(body[nameEnd]) && body[nameEnd] != '=')
        ++nameEnd;
    token.text = CString(body.substr(0, nameEnd));
    std::string_view rest = Trimmed(body.substr(nameEnd));
    token.rest = CString(rest);
    ParseAttributes(rest, token.attributes);
    return true;
}

}  // namespace tabulon::richtext
