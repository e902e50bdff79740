// The one exception the workbook readers throw.
#pragma once

#include <stdexcept>
#include <string>

namespace tabulon::spreadsheet {

// A workbook that cannot be read. The message is one line that names the file
// and, where known, the part and line inside it and what is wrong, e.g.
// "book.xlsx: xl/worksheets/sheet2.xml:41: unexpected <foo> in <row>".
//
// Thrown with its parts, it keeps them apart as well: File(), Part(), Line()
// and Reason() (what is wrong, without the place). Thrown with a message only,
// Reason() is that message and the other parts are empty.
class ReadError : public std::runtime_error {
  public:
    explicit ReadError(const std::string& message)
        : std::runtime_error(message), m_reason(message) {}
    ReadError(std::string file, std::string part, long line, std::string reason)
        : std::runtime_error(Compose(file, part, line, reason)),
          m_file(std::move(file)),
          m_part(std::move(part)),
          m_line(line),
          m_reason(std::move(reason)) {}

    const std::string& File() const { return m_file; }
    const std::string& Part() const { return m_part; }  // e.g. "xl/worksheets/sheet2.xml"
    long Line() const { return m_line; }                // 0: not known
    const std::string& Reason() const { return m_reason; }

  private:
    static std::string Compose(const std::string& file, const std::string& part, long line,
                               const std::string& reason) {
        // Appended piece by piece: GCC 12 warns, wrongly, of overlapping copies in
        // `":" + std::to_string(line)` once this is inlined into an optimised caller.
        std::string text = file;
        if (!part.empty()) {
            text.append(": ").append(part);
            if (line > 0)
                text.append(":").append(std::to_string(line));
        }
        text.append(": ").append(reason);
        return text;
    }

    std::string m_file;
    std::string m_part;
    long m_line = 0;
    std::string m_reason;
};

}  // namespace tabulon::spreadsheet
