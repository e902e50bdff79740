// The cells of one sheet substream of a BIFF5/BIFF8 workbook stream: constants,
// formulas with their cached results (shared, array and table formulas too),
// and the sheet's layout records.
#pragma once

#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "spreadsheet/annotations.h"
#include "spreadsheet/import.h"
#include "spreadsheet/reader/biff_formula.h"
#include "spreadsheet/reader/biff_globals.h"

namespace tabulon::spreadsheet {

struct BiffSheetSource {
    std::string_view stream;
    const BiffGlobals* globals = nullptr;
    const std::vector<Value>* sst = nullptr;   // the shared strings as values
    const std::vector<int>* styles = nullptr;  // XF index -> sink style index
    BiffText* text = nullptr;
    const BiffFormulaContext* formulas = nullptr;
    const std::string* fileName = nullptr;  // for cancellation
    std::size_t* formulaBudget = nullptr;   // bytes of formula tokens and text still allowed
    const std::map<std::size_t, RichText>* sstRuns = nullptr;  // shared strings with runs
};

// The kind of the sheet whose BOF record is at `offset`: a worksheet substream
// may be a dialog sheet. Throws BiffDamage when no BOF record is there.
SheetKind BiffSubstreamKind(std::string_view stream, std::size_t offset, SheetKind listed);

// Reads the sheet substream at `offset` into `sink`; returns the offset after
// its EOF record. Throws BiffDamage naming the record at fault.
std::size_t ReadBiffCells(const BiffSheetSource& source, std::size_t offset, ISheetImport& sink);

// The value of an RK number.
double BiffRkValue(std::uint32_t rk);

}  // namespace tabulon::spreadsheet
