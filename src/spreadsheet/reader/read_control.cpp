#include "spreadsheet/reader/read_control.h"

namespace tabulon::spreadsheet {
namespace {

const ReadOptions kDefaults;
thread_local const ReadOptions* t_current = &kDefaults;

}  // namespace

const ReadOptions& CurrentReadOptions() {
    return *t_current;
}

ReadOptionsScope::ReadOptionsScope(const ReadOptions& options) : m_outer(t_current) {
    t_current = &options;
}

ReadOptionsScope::~ReadOptionsScope() {
    t_current = m_outer;
}

void ThrowIfReadCanceled(const std::string& fileName) {
    const ReadOptions& options = *t_current;
    if (options.canceled && options.canceled())
        throw ReadCanceled(fileName);
}

}  // namespace tabulon::spreadsheet
