#include "spreadsheet/formula/formula_cache.h"

#include "spreadsheet/formula/lexer.h"
#include "spreadsheet/formula/parser.h"
#include "spreadsheet/formula/plain_formula.h"
#include "spreadsheet/formula/printer.h"

namespace tabulon::spreadsheet::formula {

std::string RelativeKey(const TokenList& tokens, CellRef origin) {
    std::string key;
    key.reserve(64);
    for (const Token& t : tokens) {
        if (t.kind == TokenKind::Reference) {
            key += '\x01';
            key += FormatPrefix(t.prefix);
            key += static_cast<char>('0' + static_cast<int>(t.shape));
            AppendRelativePart(key, t.first, origin);
            key += ':';
            AppendRelativePart(key, t.last, origin);
            key += '\x01';
        } else if (t.kind != TokenKind::Whitespace) {
            key += t.text;
            key += '\x02';
        } else {
            key += ' ';
        }
    }
    return key;
}

std::shared_ptr<const Ast> FormulaCache::Get(std::string_view formula, CellRef origin) {
    thread_local std::string quick;
    const bool isQuick = PlainRelativeKey(formula, origin, quick);
    if (isQuick) {
        std::lock_guard<std::mutex> lock(m_mutex);
        auto it = m_quick.find(quick);
        if (it != m_quick.end())
            return it->second;
    }
    std::string exact(formula);
    exact += '\0';
    exact.append(reinterpret_cast<const char*>(&origin.row), sizeof origin.row);
    exact.append(reinterpret_cast<const char*>(&origin.col), sizeof origin.col);
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        auto it = m_exact.find(exact);
        if (it != m_exact.end())
            return it->second;
    }
    TokenList tokens = Tokenize(formula);
    std::string key = RelativeKey(tokens, origin);
    std::shared_ptr<const Ast> ast;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        auto it = m_entries.find(key);
        if (it != m_entries.end())
            ast = it->second;
    }
    if (!ast)
        ast = std::make_shared<const Ast>(Parse(tokens, origin));
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_entries.size() >= m_capacity)
        m_entries.clear();
    if (m_exact.size() >= m_capacity)
        m_exact.clear();
    if (m_quick.size() >= m_capacity)
        m_quick.clear();
    m_entries.emplace(std::move(key), ast);
    m_exact.emplace(std::move(exact), ast);
    if (isQuick)
        m_quick.emplace(quick, ast);
    return ast;
}

std::size_t FormulaCache::Size() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_entries.size();
}

}  // namespace tabulon::spreadsheet::formula
