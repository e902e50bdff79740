#include "spreadsheet/reader/external_links.h"

#include <charconv>

#include "platform/hex_digit.h"
#include "spreadsheet/formula/mover.h"

namespace tabulon::spreadsheet {

using platform::HexDigit;

std::string ExternalBookName(std::string_view target) {
    std::string_view rest = target;
    constexpr std::string_view kFileUrl = "file://";
    if (rest.size() > kFileUrl.size() && rest.substr(0, kFileUrl.size()) == kFileUrl)
        rest.remove_prefix(kFileUrl.size());
    std::string out;
    for (std::size_t i = 0; i < rest.size(); ++i) {
        if (rest[i] == '%' && i + 2 < rest.size() && HexDigit(rest[i + 1]) >= 0 &&
            HexDigit(rest[i + 2]) >= 0) {
            out += static_cast<char>(HexDigit(rest[i + 1]) * 16 + HexDigit(rest[i + 2]));
            i += 2;
        } else {
            out += rest[i];
        }
    }
    return out;
}

std::string NameExternalBooks(std::string_view formula, const std::vector<std::string>& books) {
    if (books.empty() || formula.find('[') == std::string_view::npos)
        return std::string(formula);
    try {
        return formula::RewriteSheets(formula, [&](formula::SheetPrefix& prefix) {
            if (!prefix.hasBook)
                return;
            std::size_t n = 0;
            const char* end = prefix.book.data() + prefix.book.size();
            const auto [last, error] = std::from_chars(prefix.book.data(), end, n);
            if (error != std::errc() || last != end || n == 0 || n > books.size() ||
                books[n - 1].empty())
                return;
            prefix.book = books[n - 1];
        });
    } catch (const std::exception&) {
        return std::string(formula);
    }
}

}  // namespace tabulon::spreadsheet
