#include "spreadsheet/reader/external_links.h"

#include <charconv>
#include <optional>

#include "platform/hex_digit.h"
#include "spreadsheet/formula/mover.h"
#include "spreadsheet/reader/xml_context.h"
#include "spreadsheet/reader/xml_values.h"

namespace tabulon::spreadsheet {

using platform::HexDigit;

namespace {

constexpr ElementRule kLinkRules[] = {
    {"", "externalLink"},
    {"externalLink", "externalBook"},
    {"externalBook", "sheetNames"},
    {"sheetNames", "sheetName"},
    {"externalBook", "sheetDataSet"},
    {"sheetDataSet", "sheetData"},
    {"sheetData", "row"},
    {"row", "cell"},
    {"cell", "v"},
};

// The sheet names and the cells each sheet's data gives, by sheet number.
class ExternalLinkContext : public XmlContext {
  public:
    ExternalLinkContext(std::string fileName, std::string partName)
        : XmlContext(std::move(fileName), std::move(partName), XmlVocabulary::SpreadsheetMl,
                     kLinkRules, {}) {}

    ExternalBook book;

  protected:
    void Start(std::string_view element, const platform::XmlAttributes& attrs) override {
        if (element == "sheetName") {
            std::string name = attrs.Find("val") ? attrs.Find("val") : "";
            xml::DecodeEscapes(name);
            book.sheets.push_back({std::move(name), false, {}});
        } else if (element == "sheetData") {
            const int id = xml::ToInt(attrs.Find("sheetId"), -1);
            m_sheet = id >= 0 && static_cast<std::size_t>(id) < book.sheets.size()
                          ? &book.sheets[static_cast<std::size_t>(id)]
                          : nullptr;
            if (m_sheet)
                m_sheet->refreshError = xml::ToBool(attrs.Find("refreshError"), false);
        } else if (element == "cell") {
            const char* r = attrs.Find("r");
            m_cell = r ? ParseCellRef(r) : std::nullopt;
            m_type = attrs.Find("t") ? attrs.Find("t") : "n";
            m_text.clear();
        }
    }

    void End(std::string_view element) override {
        if (element != "cell" || !m_sheet || !m_cell)
            return;
        Value value;
        double number = 0;
        if (m_type == "b") {
            value = Value::Boolean(m_text == "1" || m_text == "true");
        } else if (m_type == "e") {
            if (auto code = ParseErrorText(m_text))
                value = Value::Error(*code);
        } else if (m_type == "str" || m_type == "s" || m_type == "inlineStr") {
            value = Value::Text(m_text);
        } else if (xml::ParseDouble(m_text, number)) {
            value = Value::Number(number);
        }
        if (!value.IsEmpty())
            m_sheet->cells[*m_cell] = std::move(value);
    }

    void Characters(std::string_view text) override {
        if (Depth() == 7 && Parent() == "cell")
            m_text.append(text);
    }

  private:
    ExternalSheet* m_sheet = nullptr;
    std::optional<CellRef> m_cell;
    std::string m_type;
    std::string m_text;
};

}  // namespace

ExternalBook ReadExternalLink(platform::ZipArchive& zip, std::size_t entry,
                              const std::string& fileName, const std::string& partName) {
    ExternalLinkContext context(fileName, partName);
    context.Parse(zip, entry);
    return std::move(context.book);
}

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
