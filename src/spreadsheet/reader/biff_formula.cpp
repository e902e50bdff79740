#include "spreadsheet/reader/biff_formula.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <utility>

#include "spreadsheet/address.h"
#include "spreadsheet/formula/printer.h"
#include "spreadsheet/reader/biff_functions.h"
#include "spreadsheet/value.h"

namespace tabulon::spreadsheet {
namespace {

constexpr int kBiff8Rows = 65536;
constexpr std::size_t kMaxText = 1 << 16;  // longer decoded formulas are refused

std::string NumberText(double d) {
    char buffer[32];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, d);
    std::string text(buffer, result.ptr);
    for (char& c : text)
        if (c == 'e')
            c = 'E';
    return text;
}

std::string ErrorLiteral(unsigned code) {
    switch (code) {
        case 0x00:
        case 0x07:
        case 0x0F:
        case 0x17:
        case 0x1D:
        case 0x24:
        case 0x2A:
            return std::string(ErrorText(static_cast<ErrorCode>(code)));
        default:
            throw BiffDamage("unknown error code " + std::to_string(code) + " in a formula");
    }
}

std::string Quoted(const std::string& text) {
    std::string out = "\"";
    for (const char c : text) {
        out += c;
        if (c == '"')
            out += '"';
    }
    return out + '"';
}

// One reference corner as stored: a row and column and whether each is relative.
struct Corner {
    int row = 0, col = 0;
    bool rowRel = false, colRel = false;
};

class Decoder {
  public:
    Decoder(std::string_view tokens, std::string_view extra, int row, int col,
            const BiffFormulaContext& context)
        : m_tokens(tokens),
          m_extra(extra),
          m_row(row),
          m_col(col),
          m_context(context),
          m_biff8(context.text->Biff8()),
          m_legacy(context.legacyVersion) {}

    std::string Run() {
        while (m_tokens.Left() > 0)
            Token(m_tokens.U8());
        if (m_stack.size() != 1)
            throw BiffDamage("formula tokens leave " + std::to_string(m_stack.size()) +
                             " values instead of one");
        return m_stack.back();
    }

  private:
    void Push(std::string text) {
        if (text.size() > kMaxText)
            throw BiffDamage("formula text too long");
        m_stack.push_back(std::move(text));
    }
    std::string Pop() {
        if (m_stack.empty())
            throw BiffDamage("formula operator without operand");
        std::string top = std::move(m_stack.back());
        m_stack.pop_back();
        return top;
    }
    std::string Lead() { return std::exchange(m_lead, {}); }

    void Token(unsigned ptg) {
        if (ptg >= 0x03 && ptg <= 0x11)
            return Binary(ptg);
        switch (ptg) {
            case 0x12:
            case 0x13: {
                const std::string x = Pop();
                return Push(Lead() + (ptg == 0x12 ? "+" : "-") + x);
            }
            case 0x14:
                return Push(Pop() + Lead() + "%");
            case 0x15: {
                const std::string x = Pop();
                const std::string open = std::exchange(m_beforeOpen, {});
                const std::string close = std::exchange(m_beforeClose, {});
                return Push(open + "(" + x + close + ")");
            }
            case 0x16:
                return Push(Lead());
            case 0x17: {
                const std::size_t count = m_tokens.U8();
                return Push(Lead() + Quoted(m_context.text->Characters(m_tokens, count)));
            }
            case 0x19:
                return Attribute();
            case 0x1C:
                return Push(Lead() + ErrorLiteral(m_tokens.U8()));
            case 0x1D:
                return Push(Lead() + (m_tokens.U8() ? "TRUE" : "FALSE"));
            case 0x1E:
                return Push(Lead() + std::to_string(m_tokens.U16()));
            case 0x1F:
                return Push(Lead() + NumberText(m_tokens.F64()));
            default:
                break;
        }
        if (ptg < 0x20 || ptg >= 0x80)
            throw BiffDamage("unsupported formula token 0x" + Hex(ptg));
        Operand((ptg & 0x1F) | 0x20);
    }

    static std::string Hex(unsigned v) {
        char hex[8];
        std::snprintf(hex, sizeof hex, "%02X", v);
        return hex;
    }

    void Binary(unsigned ptg) {
        static constexpr const char* kOps[] = {
            "+", "-", "*", "/", "^", "&", "<", "<=", "=", ">=", ">", "<>", " ", ",", ":"};
        const std::string right = Pop();
        const std::string left = Pop();
        Push(left + Lead() + kOps[ptg - 0x03] + right);
    }

    void Attribute() {
        const unsigned flags = m_tokens.U8();
        const unsigned data = m_legacy == 2 ? m_tokens.U8() : m_tokens.U16();
        if (flags & 0x04) {  // CHOOSE jump table
            m_tokens.Skip((std::size_t{data} + 1) * (m_legacy == 2 ? 1 : 2));
        } else if (flags & 0x10) {  // SUM of one argument
            const std::string x = Pop();
            Push(Lead() + "SUM(" + x + ")");
        } else if (flags & 0x40 || flags & 0x80) {  // white space
            const unsigned kind = data & 0xFF;
            const std::string spaces(data >> 8, kind % 2 ? '\n' : ' ');
            if (kind <= 1)
                m_lead += spaces;
            else if (kind <= 3)
                m_beforeOpen += spaces;
            else if (kind <= 5)
                m_beforeClose += spaces;
        }
    }

    // Corners of references: BIFF8 keeps row and column in 16 bits each with the
    // flags in the column, BIFF5 keeps the flags in the row and the column in 8.
    Corner ReadCorner(bool relativeToCell) {
        Corner c;
        unsigned row, col;
        if (m_biff8) {
            row = m_tokens.U16();
            col = m_tokens.U16();
            c.rowRel = col & 0x8000;
            c.colRel = col & 0x4000;
            col &= 0xFF;
        } else {
            row = m_tokens.U16();
            col = m_tokens.U8();
            c.rowRel = row & 0x8000;
            c.colRel = row & 0x4000;
            row &= 0x3FFF;
        }
        c.row = static_cast<int>(row);
        c.col = static_cast<int>(col);
        if (relativeToCell) {
            const int rows = m_biff8 ? kBiff8Rows : 0x4000;
            if (c.rowRel)
                c.row = (m_row + (m_biff8 ? static_cast<std::int16_t>(row) : RowOffset5(row))) &
                        (rows - 1);
            if (c.colRel)
                c.col = (m_col + static_cast<std::int8_t>(col)) & 0xFF;
        }
        return c;
    }
    static int RowOffset5(unsigned row) {
        return row & 0x2000 ? static_cast<int>(row) - 0x4000 : static_cast<int>(row);
    }

    Corner RowOnly(bool relativeToCell, unsigned row, unsigned colField) {
        // BIFF8 areas: two rows, then two columns with their flags.
        Corner c;
        c.rowRel = colField & 0x8000;
        c.colRel = colField & 0x4000;
        c.row = static_cast<int>(row);
        c.col = static_cast<int>(colField & 0xFF);
        if (relativeToCell) {
            if (c.rowRel)
                c.row = (m_row + static_cast<std::int16_t>(row)) & (kBiff8Rows - 1);
            if (c.colRel)
                c.col = (m_col + static_cast<std::int8_t>(colField & 0xFF)) & 0xFF;
        }
        return c;
    }

    std::string CellText(const Corner& c, bool showRow = true, bool showCol = true) {
        std::string text;
        if (showCol)
            text += (c.colRel ? "" : "$") + ColumnLetters(c.col + 1);
        if (showRow)
            text += (c.rowRel ? "" : "$") + std::to_string(c.row + 1);
        return text;
    }

    std::string AreaText(bool relativeToCell) {
        Corner a, b;
        if (m_biff8) {
            const unsigned r1 = m_tokens.U16(), r2 = m_tokens.U16();
            const unsigned c1 = m_tokens.U16(), c2 = m_tokens.U16();
            a = RowOnly(relativeToCell, r1, c1);
            b = RowOnly(relativeToCell, r2, c2);
        } else {
            const unsigned r1 = m_tokens.U16(), r2 = m_tokens.U16();
            const unsigned c1 = m_tokens.U8(), c2 = m_tokens.U8();
            a = Corner5(relativeToCell, r1, c1);
            b = Corner5(relativeToCell, r2, c2);
        }
        const int lastRow = m_biff8 ? kBiff8Rows - 1 : 0x3FFF;
        if (a.row == 0 && b.row == lastRow && !a.rowRel && !b.rowRel)
            return CellText(a, false) + ":" + CellText(b, false);
        if (a.col == 0 && b.col == 0xFF && !a.colRel && !b.colRel)
            return CellText(a, true, false) + ":" + CellText(b, true, false);
        return CellText(a) + ":" + CellText(b);
    }

    Corner Corner5(bool relativeToCell, unsigned row, unsigned col) {
        Corner c;
        c.rowRel = row & 0x8000;
        c.colRel = row & 0x4000;
        c.row = static_cast<int>(row & 0x3FFF);
        c.col = static_cast<int>(col);
        if (relativeToCell) {
            if (c.rowRel)
                c.row = (m_row + RowOffset5(row & 0x3FFF)) & 0x3FFF;
            if (c.colRel)
                c.col = (m_col + static_cast<std::int8_t>(col)) & 0xFF;
        }
        return c;
    }

    // The sheet prefix of a 3-D token; BIFF5 stores its sheets in the token.
    std::string Prefix3d() {
        if (m_biff8) {
            const int ixti = m_tokens.U16();
            return m_context.sheetPrefix(ixti, -1, -1);
        }
        const int ixals = m_tokens.I16();
        m_tokens.Skip(8);
        const int first = m_tokens.I16();
        const int last = m_tokens.I16();
        return m_context.sheetPrefix(ixals, first, last);
    }

    void Operand(unsigned ptg) {
        const std::size_t refSize = m_biff8 ? 4 : 3, areaSize = m_biff8 ? 8 : 6;
        // Excel 2 and 3 number functions in one byte.
        const bool narrow = m_legacy == 2 || m_legacy == 3;
        if (m_legacy && !LegacyOperand(ptg))
            throw BiffDamage("formula token 0x" + Hex(ptg) + " of an Excel " +
                             std::to_string(m_legacy) + " worksheet");
        switch (ptg) {
            case 0x20:  // array constant, its values in the extra data
                m_tokens.Skip(m_biff8 ? 7 : 6);
                return Push(Lead() + ArrayConstant());
            case 0x21:
                return Function(narrow ? m_tokens.U8() : m_tokens.U16(), -1);
            case 0x22: {
                const int args = m_tokens.U8() & 0x7F;
                return Function(narrow ? m_tokens.U8() : m_tokens.U16() & 0x7FFF, args);
            }
            case 0x23: {
                const unsigned index = m_tokens.U16();
                m_tokens.Skip(m_biff8 ? 2 : 12);
                return Push(Lead() + m_context.name(index));
            }
            case 0x24:
                return Push(Lead() + CellText(ReadCorner(false)));
            case 0x25:
                return Push(Lead() + AreaText(false));
            case 0x26:
            case 0x27:
            case 0x28: {
                // The tokens after it compute the area; its rectangles sit in the extra data.
                m_tokens.Skip(4);
                m_tokens.Skip(2);
                if (ptg == 0x26) {
                    const std::size_t count = m_extra.U16();
                    m_extra.Skip(count * (m_biff8 ? 8 : 6));
                }
                return;
            }
            case 0x29:
            case 0x2E:
            case 0x2F:
                m_tokens.Skip(2);
                return;
            case 0x2A:
                m_tokens.Skip(refSize);
                return Push(Lead() + "#REF!");
            case 0x2B:
                m_tokens.Skip(areaSize);
                return Push(Lead() + "#REF!");
            case 0x2C:
                return Push(Lead() + CellText(ReadCorner(true)));
            case 0x2D:
                return Push(Lead() + AreaText(true));
            case 0x39: {
                int ixti;
                unsigned index;
                if (m_biff8) {
                    ixti = m_tokens.U16();
                    index = m_tokens.U16();
                    m_tokens.Skip(2);
                } else {
                    ixti = m_tokens.I16();
                    m_tokens.Skip(8);
                    index = m_tokens.U16();
                    m_tokens.Skip(12);
                }
                return Push(Lead() + m_context.externName(ixti, index));
            }
            case 0x3A:
            case 0x3C: {
                const std::string prefix = Prefix3d();
                const std::string ref = CellText(ReadCorner(false));
                return Push(Lead() + Sheet3d(prefix, ptg == 0x3A ? ref : "#REF!"));
            }
            case 0x3B:
            case 0x3D: {
                const std::string prefix = Prefix3d();
                const std::string area = AreaText(false);
                return Push(Lead() + Sheet3d(prefix, ptg == 0x3B ? area : "#REF!"));
            }
            default:
                throw BiffDamage("unsupported formula token 0x" + Hex(ptg));
        }
    }

    // The operand tokens whose Excel 2 to 4 form this decoder knows: the
    // others (names, 3-D and memory tokens, arrays) leave the cell its
    // cached result.
    static bool LegacyOperand(unsigned ptg) {
        switch (ptg) {
            case 0x21:
            case 0x22:
            case 0x24:
            case 0x25:
            case 0x2A:
            case 0x2B:
            case 0x2C:
            case 0x2D:
                return true;
            default:
                return false;
        }
    }

    static std::string Sheet3d(const std::string& prefix, const std::string& ref) {
        return prefix.empty() ? "#REF!" : prefix + ref;
    }

    void Function(unsigned index, int args) {
        const BiffFunction f = BiffFunctionByIndex(index);
        if (args < 0)
            args = f.args;
        if (index != 255 && (!f.name || args < 0))
            throw BiffDamage("unknown function " + std::to_string(index) + " in a formula");
        if (static_cast<std::size_t>(args) > m_stack.size())
            throw BiffDamage("function with more arguments than operands");
        std::string list;
        const std::size_t first = m_stack.size() - static_cast<std::size_t>(args);
        std::string name = f.name ? f.name : "";
        std::size_t from = first;
        if (index == 255) {  // an add-in or newer function, named by its first argument
            if (args == 0)
                throw BiffDamage("add-in function call without its name");
            name = m_stack[first];
            ++from;
        }
        for (std::size_t i = from; i < m_stack.size(); ++i) {
            if (i > from)
                list += ',';
            list += m_stack[i];
        }
        m_stack.resize(first);
        const std::string open = std::exchange(m_beforeOpen, {});
        const std::string close = std::exchange(m_beforeClose, {});
        Push(Lead() + name + open + "(" + list + close + ")");
    }

    std::string ArrayConstant() {
        const unsigned cols = m_extra.U8() + 1u;
        const unsigned rows = m_extra.U16() + 1u;
        if (std::size_t{cols} * rows > m_extra.Left())
            throw BiffDamage("array constant larger than its record");
        std::string text = "{";
        for (unsigned r = 0; r < rows; ++r) {
            for (unsigned c = 0; c < cols; ++c) {
                if (c > 0)
                    text += ',';
                switch (m_extra.U8()) {
                    case 0x00:
                        m_extra.Skip(8);
                        break;
                    case 0x01:
                        text += NumberText(m_extra.F64());
                        break;
                    case 0x02: {
                        const std::size_t count = m_biff8 ? m_extra.U16() : m_extra.U8();
                        text += Quoted(m_context.text->Characters(m_extra, count));
                        break;
                    }
                    case 0x04:
                        text += m_extra.U8() ? "TRUE" : "FALSE";
                        m_extra.Skip(7);
                        break;
                    case 0x10:
                        text += ErrorLiteral(m_extra.U8());
                        m_extra.Skip(7);
                        break;
                    default:
                        throw BiffDamage("unknown value type in an array constant");
                }
                if (text.size() > kMaxText)
                    throw BiffDamage("formula text too long");
            }
            if (r + 1 < rows)
                text += ';';
        }
        return text + "}";
    }

    BiffCursor m_tokens;
    BiffCursor m_extra;
    int m_row, m_col;
    const BiffFormulaContext& m_context;
    bool m_biff8;
    int m_legacy;  // 2 to 4 for Excel 2 to 4 tokens, else 0
    std::vector<std::string> m_stack;
    std::string m_lead, m_beforeOpen, m_beforeClose;
};

}  // namespace

std::string DecodeBiffFormula(std::string_view tokens, std::string_view extra, int row, int col,
                              const BiffFormulaContext& context) {
    return Decoder(tokens, extra, row, col, context).Run();
}

std::string BiffSheetPrefix(const std::string& first, const std::string& last) {
    const std::string both = first == last ? first : first + ":" + last;
    return (formula::SheetNeedsQuotes(first) || formula::SheetNeedsQuotes(last)
                ? "'" +
                      [&] {
                          std::string q;
                          for (const char c : both) {
                              q += c;
                              if (c == '\'')
                                  q += '\'';
                          }
                          return q;
                      }() +
                      "'"
                : both) +
           "!";
}

}  // namespace tabulon::spreadsheet
