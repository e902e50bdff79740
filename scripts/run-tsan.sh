#!/usr/bin/env bash
# Runs the threaded tests of a ThreadSanitizer build (make tsan). Any report fails the run.
set -euo pipefail
build=${1:?usage: run-tsan.sh BUILD_DIR}
here=$(cd "$(dirname "$0")" && pwd)
export TSAN_OPTIONS="suppressions=$here/tsan.supp halt_on_error=1 exitcode=66 second_deadlock_stack=1 ${TSAN_OPTIONS:-}"
run() {
    local binary=$1 filter=$2
    echo "== $binary --gtest_filter=$filter"
    "$build/tests/$binary" --gtest_filter="$filter" --gtest_brief=1
}
run test_platform 'Notify*:Prompt*'
run test_engine 'Task.*:WorkbookPrefetch.*:FolderTask.*:TwoFileTask.*:CopyRowsTask.*'
run test_spreadsheet 'ZipWriter*:XlsxWriter*'
run test_cli 'CliInterrupt*:CliRun*'
