#include "recording_sink.h"

#include <cstdio>
#include <stdexcept>

namespace tabulon::spreadsheet::testing {

std::string EscapeForDump(const std::string& text) {
    std::string out;
    for (char c : text) {
        if (c == '\\')
            out += "\\\\";
        else if (c == '\t')
            out += "\\t";
        else if (c == '\n')
            out += "\\n";
        else if (c == '\r')
            out += "\\r";
        else
            out += c;
    }
    return out;
}

std::string DumpOrRefusal(const std::string& bytes, const std::string& name,
                          const ReadOptions& options) {
    RecordingWorkbook sink;
    try {
        ReadWorkbookMemory(bytes.data(), bytes.size(), name, sink, options);
    } catch (const ReadError& e) {
        return e.what();
    }
    return sink.CellDump();
}

void RecordingSheet::SetCell(CellRef cell, const Value& value, int style) {
    auto [it, inserted] = cells.try_emplace({cell.row, cell.col});
    if (!inserted)
        ++duplicates;
    it->second = RecordedCell{value, {}, false, style};
}

void RecordingSheet::SetFormula(CellRef cell, std::string_view formula, const Value& cached,
                                int style) {
    auto [it, inserted] = cells.try_emplace({cell.row, cell.col});
    if (!inserted)
        ++duplicates;
    it->second = RecordedCell{cached, std::string(formula), true, style};
}

void RecordingSheet::SetArrayFormula(const RangeRef& range, std::string_view formula) {
    arrays.push_back(FormatRangeRef(range) + " {" + std::string(formula) + "}");
}

void RecordingSheet::SetColumns(int firstCol, int lastCol, double width, bool customWidth,
                                bool hidden, int style) {
    char line[160];
    std::snprintf(line, sizeof line, "%s:%s width=%g%s%s style=%d", ColumnLetters(firstCol).c_str(),
                  ColumnLetters(lastCol).c_str(), width, customWidth ? " custom" : "",
                  hidden ? " hidden" : "", style);
    columns.push_back(line);
}

void RecordingSheet::SetRow(int row, double height, bool customHeight, bool hidden, int style) {
    char line[160];
    std::snprintf(line, sizeof line, "%d height=%g%s%s style=%d", row, height,
                  customHeight ? " custom" : "", hidden ? " hidden" : "", style);
    rows.push_back(line);
}

const RecordedCell* RecordingSheet::At(const std::string& a1) const {
    const auto ref = ParseCellRef(a1);
    if (!ref)
        return nullptr;
    const auto it = cells.find({ref->row, ref->col});
    return it == cells.end() ? nullptr : &it->second;
}

int RecordingWorkbook::AddSheet(std::string_view name, SheetKind kind, SheetState state) {
    sheets.push_back(RecordedSheet{std::string(name), kind, state, {}});
    return static_cast<int>(sheets.size()) - 1;
}

int RecordingWorkbook::AddStyle(const CellStyle& style) {
    styles.push_back(style);
    return static_cast<int>(styles.size()) - 1;
}

void RecordingWorkbook::AddDefinedName(std::string_view name, std::string_view formula,
                                       int localSheet, bool hidden) {
    names.push_back(std::string(name) + "=" + std::string(formula) +
                    " local=" + std::to_string(localSheet) + (hidden ? " hidden" : ""));
}

const RecordingSheet& RecordingWorkbook::ByName(const std::string& name) const {
    for (const auto& s : sheets) {
        if (s.name == name)
            return s.content;
    }
    throw std::out_of_range("no sheet " + name);
}

std::string RecordingWorkbook::CellDump() const {
    std::string out;
    for (const auto& sheet : sheets) {
        out += "sheet\t" + EscapeForDump(sheet.name) + "\n";
        for (const auto& [pos, cell] : sheet.content.cells) {
            const std::string where =
                EscapeForDump(sheet.name) + "!" + FormatCellRef({pos.first, pos.second});
            const std::string format =
                cell.style >= 0 && static_cast<size_t>(cell.style) < styles.size()
                    ? styles[static_cast<size_t>(cell.style)].numberFormat
                    : "?";
            std::string kind, text;
            if (cell.hasFormula) {
                kind = "f";
                text = cell.formula;
            } else {
                switch (cell.value.Kind()) {
                    case ValueKind::Empty:
                        kind = "blank";
                        break;
                    case ValueKind::Number: {
                        char buf[40];
                        std::snprintf(buf, sizeof buf, "%.17g", cell.value.AsNumber());
                        kind = "n";
                        text = buf;
                        break;
                    }
                    case ValueKind::Text:
                        kind = "s";
                        text = cell.value.AsText();
                        break;
                    case ValueKind::Boolean:
                        kind = "b";
                        text = cell.value.AsBoolean() ? "1" : "0";
                        break;
                    case ValueKind::Error:
                        kind = "e";
                        text = std::string(ErrorText(cell.value.AsError()));
                        break;
                }
            }
            out += where + "\t" + kind + "\t" + EscapeForDump(text) + "\t" + EscapeForDump(format) +
                   "\n";
        }
    }
    return out;
}

}  // namespace tabulon::spreadsheet::testing
