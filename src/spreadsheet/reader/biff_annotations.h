// What a BIFF sheet holds beside its cells: hyperlinks (HLINK with its
// tooltip), notes (NOTE, with their text in the OBJ and TXO records of the
// drawing layer) and the formatting runs of rich text.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "spreadsheet/annotations.h"
#include "spreadsheet/import.h"
#include "spreadsheet/reader/biff_record.h"
#include "spreadsheet/reader/biff_styles.h"
#include "spreadsheet/reader/biff_text.h"

namespace tabulon::spreadsheet {

// `text` cut into runs at the characters `runs` give (UTF-16 units in BIFF8,
// bytes in BIFF5), each with its font; text before the first run keeps the
// cell's font. Runs out of order or past the end are dropped.
RichText BiffRichText(const std::string& text, const std::vector<BiffRun>& runs,
                      const BiffStyles& styles);

// Reads the annotation records of one sheet substream.
class BiffAnnotations {
  public:
    BiffAnnotations(BiffText& text, const BiffStyles* styles, ISheetImport& sink)
        : m_text(text), m_styles(styles), m_sink(sink) {}

    // Takes `record` when it is one of the annotation records (reading its
    // CONTINUE records from `records`); false otherwise.
    bool Record(const BiffRecord& record, BiffRecords& records);

  private:
    void Hyperlink(const BiffBody& body);
    void Tooltip(BiffCursor& c);
    void Object(BiffCursor& c);
    void TextObject(const BiffRecord& record, BiffRecords& records);
    void Note(BiffCursor& c);

    BiffText& m_text;
    const BiffStyles* m_styles;
    ISheetImport& m_sink;
    unsigned m_object = 0;                         // id of the last OBJ record
    std::map<unsigned, RichText> m_texts;          // note texts by object id
    std::optional<spreadsheet::Hyperlink> m_link;  // waiting for its tooltip
    std::optional<spreadsheet::Note> m_note5;      // a BIFF5 note going on in the next NOTE

  public:
    // Hands over what waits for a following record; call at the sheet's end.
    void Finish();
};

}  // namespace tabulon::spreadsheet
