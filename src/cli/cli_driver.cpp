#include "cli/cli_driver.h"

#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <fstream>
#include <memory>
#include <ostream>
#include <utility>

#include "cli/cli_fields.h"
#include "cli/cli_options.h"
#include "cli/line_printer.h"
#include "cli/question_gate.h"
#include "cli/terminal_prompt.h"
#include "engine/automation/automation.h"
#include "engine/file_walker.h"
#include "engine/sheet/sheet_helpers.h"
#include "platform/paths.h"
#include "platform/pending_files.h"
#include "platform/prompt.h"
#include "platform/version.h"
#include "spreadsheet/reader/sheet_list_reader.h"
#include "spreadsheet/workbook.h"

namespace tabulon::cli {

namespace {

// Problems of the command line, said on err: "tabulon: text" (with a pointer to --help
// for a line that could not be parsed), or {"error":"usage","text":...} with --json.
void PrintUsageError(const CliEnvironment& env, bool json, const CString& text,
                     bool pointToHelp = false) {
    if (json) {
        env.err << "{\"error\":\"usage\",\"text\":" << JsonString(text) << "}\n";
    } else {
        env.err << "tabulon: " << text << '\n';
        if (pointToHelp)
            env.err << "Try 'tabulon --help'.\n";
    }
    env.err.flush();
}

// A line on err about how the run ended when that is not plain from the output.
void PrintNote(const CliEnvironment& env, bool json, const CString& text) {
    if (json) {
        env.err << "{\"note\":" << JsonString(text) << "}\n";
    } else {
        env.err << "tabulon: " << text << '\n';
    }
    env.err.flush();
}

// The worksheets of one workbook, or those a folder offers. A workbook that cannot be
// read is a failure with its reason.
int ListSheets(const CString& given, const CliEnvironment& env, bool json) {
    CString path = AbsoluteFromCurrentFolder(given);
    if (path.GetLength() > 1 && path.Right(1) == "/")
        path = path.Left(path.GetLength() - 1);
    if (!platform::PathFileExists(path)) {
        CString text;
        text.Format("Path '%s' does not exist. Please confirm and enter again.", path.GetString());
        platform::MessageBoxOk(text);
        return kExitUsage;
    }
    std::vector<CString> names;
    if (platform::PathIsDirectory(path)) {
        engine::_Application session = engine::_Application::Create();
        engine::CollectWorksheetNames(session, path, names);
        session.Quit();
    } else {
        // The sheet list alone: no worksheet content is read.
        CString failure;
        try {
            spreadsheet::Workbook book;
            spreadsheet::ReadWorkbookFileSheetList(path.Str(),
                                                   *spreadsheet::MakeWorkbookBuilder(book));
            for (int i = 0; i < book.SheetCount(); ++i) {
                if (book.Sheet(i).Kind() == spreadsheet::SheetKind::Worksheet)
                    names.push_back(CString(book.Sheet(i).Name()));  // not chart sheets
            }
            if (book.SheetCount() == 0)
                failure = "it holds no sheet.";
        } catch (const spreadsheet::ReadError& e) {
            CString reason;
            const engine::ErrorContext where = engine::ReadErrorContext(path, e, reason);
            failure =
                engine::DescribeFailure(engine::ComError(engine::E_FAIL, CString(), where, reason));
        } catch (const std::exception& e) {
            failure = e.what();
        }
        if (!failure.IsEmpty()) {
            CString text;
            text.Format("Cannot open workbook \"%s\": %s", path.GetString(), failure.GetString());
            PrintNote(env, json, text);
            return kExitCanceled;
        }
    }
    for (const CString& name : names)
        env.out << (json ? JsonString(name) : name) << '\n';
    env.out.flush();
    return kExitCompleted;
}

// A settings file must be a text file: a folder or binary content is a usage error.
CString SettingsFileProblem(const CString& given) {
    const CString path = AbsoluteFromCurrentFolder(given);
    CString text;
    if (!platform::PathFileExists(path)) {
        text.Format("the settings file %s does not exist.", given.GetString());
    } else if (!platform::PathIsRegularFile(path)) {
        text.Format("the settings file %s is not a file.", given.GetString());
    } else {
        std::ifstream in(path.GetString(), std::ios::binary);
        char buffer[65536];
        in.read(buffer, sizeof buffer);
        const std::streamsize read = in.gcount();
        if (!in && !in.eof()) {
            text.Format("the settings file %s cannot be read.", given.GetString());
            return text;
        }
        for (std::streamsize i = 0; i < read; ++i) {
            const unsigned char ch = static_cast<unsigned char>(buffer[i]);
            if (ch < 0x20 && ch != '\t' && ch != '\n' && ch != '\r' && ch != '\f' && ch != '\v') {
                text.Format("the settings file %s is not a text file.", given.GetString());
                break;
            }
        }
    }
    return text;
}

// What stops the result from being saved, found before the work starts; empty when
// nothing does. A missing name is asked for at the end on a terminal, and an existing
// file then, unless --overwrite answers.
CString ResultFileProblem(const CString& result, bool overwrite, bool interactive) {
    CString text;
    if (result.IsEmpty()) {
        if (!interactive)
            text =
                "no result file was given and there is no terminal to ask for one: name it "
                "with --result.";
        return text;
    }
    if (platform::PathFileExists(result)) {
        if (platform::PathIsDirectory(result)) {
            text.Format("the result file '%s' is a folder.", result.GetString());
        } else if (!platform::PathIsRegularFile(result)) {
            text.Format("'%s' is not a regular file and is never replaced by a result.",
                        result.GetString());
        } else if (!overwrite && !interactive) {
            text.Format("File '%s' already exists. Give --overwrite to replace it.",
                        result.GetString());
        }
        if (!text.IsEmpty())
            return text;
    }
    const int slash = result.ReverseFind('/');
    const CString folder = slash > 0 ? result.Left(slash) : CString(slash == 0 ? "/" : ".");
    if (!platform::PathIsDirectory(folder)) {
        text.Format("the folder of the result file '%s' does not exist.", result.GetString());
    } else if (::access(folder.GetString(), W_OK | X_OK) != 0) {
        text.Format("the result file '%s' cannot be written: its folder is not writable.",
                    result.GetString());
    }
    return text;
}

// Ends the program at once on a second interrupt: a half-written result is removed
// first, and a result already renamed into place is said to be complete.
[[noreturn]] void ExitAtOnce(const CliEnvironment& env, bool json, CLinePrinter& printer,
                             unsigned long commitsBefore) {
    const unsigned long commits = platform::CPendingFiles::RemoveAllBeforeExit();
    printer.Close();
    env.out.flush();
    if (commits > commitsBefore) {
        PrintNote(env, json, "stopped at once; the result had already been saved in full.");
        _exit(kExitCompleted);
    }
    PrintNote(env, json, "stopped at once; no result file was written.");
    _exit(kExitCanceled);
}

// The columns of the terminal on stdout.
int TerminalWidth() {
    winsize size = {};
    if (ioctl(STDOUT_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_col > 0)
        return size.ws_col;
    return 80;
}

// The status line's head: the files done of those found, and the time since the start.
CString StatusHead(const engine::WalkSnapshot& walk, std::chrono::steady_clock::duration run) {
    const long seconds =
        static_cast<long>(std::chrono::duration_cast<std::chrono::seconds>(run).count());
    CString time;
    if (seconds >= 3600)
        time.Format("%ld:%02ld:%02ld", seconds / 3600, seconds / 60 % 60, seconds % 60);
    else
        time.Format("%ld:%02ld", seconds / 60, seconds % 60);
    CString head;
    if (walk.filesFound > 0)
        head.Format("[%d of %d files, %s]", walk.filesDone, walk.filesFound, time.GetString());
    else
        head.Format("[%s]", time.GetString());
    return head;
}

// Runs the task to its end, printing its messages; the exit status. status, when given,
// is shown on the bottom line of a terminal while the task runs.
int RunTask(std::unique_ptr<engine::CTask> task, platform::CNotifyTarget& target,
            CLinePrinter& printer, CQuestionGate& gate,
            const std::shared_ptr<engine::CWalkStatus>& status, const CliEnvironment& env,
            bool json) {
    auto handle = [&](platform::CNotifyMessage message) {
        if (CQuestionGate::IsMarker(message)) {
            // The lines before the question are out: erase the bottom line, then ask.
            printer.Suspend(true);
            gate.Release(message);
        } else {
            printer.Handle(message.code, std::move(message.payload));
        }
    };
    const auto started = std::chrono::steady_clock::now();
    auto showStatus = [&] {
        printer.Suspend(gate.IsAsking());
        if (status) {
            const engine::WalkSnapshot walk = status->Snapshot();
            printer.SetStatus(StatusHead(walk, std::chrono::steady_clock::now() - started),
                              walk.current);
        }
    };
    const unsigned long commitsBefore = platform::CPendingFiles::CommitCount();
    InterruptsWatched().store(true);
    gate.Open(target.Handle());
    std::shared_ptr<engine::CTaskControl> control = engine::CTask::Start(std::move(task));
    bool stopRequested = false;
    while (control && !control->IsFinished()) {
        const int requests = InterruptRequests().load();
        if (requests > 1)
            ExitAtOnce(env, json, printer, commitsBefore);
        // While a question waits for its answer the task writes nothing, and the reading
        // thread cannot be woken: the program ends at once, as on a second interrupt,
        // after the lines posted before the question and on a line of its own.
        if (requests > 0 && gate.IsReading()) {
            for (platform::CNotifyMessage& message : target.Drain())
                handle(std::move(message));
            env.err << '\n';
            ExitAtOnce(env, json, printer, commitsBefore);
        }
        if (requests > 0 && !stopRequested) {
            stopRequested = true;
            control->Stop(std::chrono::milliseconds(0));
        }
        if (auto message = target.WaitNext(std::chrono::milliseconds(100)))
            handle(std::move(*message));
        showStatus();
    }
    gate.Close();
    for (platform::CNotifyMessage& message : target.Drain())
        handle(std::move(message));
    printer.Close();
    InterruptsWatched().store(false);
    if (!control || control->Outcome() != engine::TaskOutcome::Completed)
        return kExitCanceled;
    // A stop asked for once the save had begun: the save was finished, and that is said.
    if (stopRequested)
        PrintNote(env, json,
                  "the interrupt came too late to cancel: the result was saved in full.");
    return kExitCompleted;
}

}  // namespace

std::atomic<int>& InterruptRequests() {
    static std::atomic<int> requests{0};
    return requests;
}

std::atomic<bool>& InterruptsWatched() {
    static std::atomic<bool> watched{false};
    return watched;
}

int RunTabulon(const std::vector<CString>& args, const CliEnvironment& env) {
    InterruptRequests().store(0);
    CliOptions options;
    CString error;
    if (!ParseCommandLine(args, options, error)) {
        const bool json = std::find(args.begin(), args.end(), CString("--json")) != args.end();
        PrintUsageError(env, json, error, true);
        return kExitUsage;
    }
    if (options.help) {
        env.out << UsageText() << std::flush;
        return kExitCompleted;
    }
    if (options.version) {
        env.out << "tabulon " << TabulonVersion() << '\n' << std::flush;
        return kExitCompleted;
    }

    TerminalAnswers answers{options.overwrite, options.open, env.inIsTerminal, options.json};
    auto gate = std::make_shared<CQuestionGate>();
    platform::CScopedPromptService prompts(
        std::make_shared<CTerminalPromptService>(answers, env.in, env.err, gate));

    if (options.listSheets)
        return ListSheets(*options.listSheets, env, options.json);

    if (options.settingsFile) {
        const CString problem = SettingsFileProblem(*options.settingsFile);
        if (!problem.IsEmpty()) {
            PrintUsageError(env, options.json, problem);
            return kExitUsage;
        }
    }
    TaskFields fields = LoadFields(options);
    platform::CNotifyTarget target;
    std::unique_ptr<engine::CTask> task =
        ValidateAndCreateTask(options.mode, fields, target.Handle());
    if (!task)
        return kExitUsage;
    const CString resultProblem =
        ResultFileProblem(fields.result, options.overwrite, env.inIsTerminal);
    if (!resultProblem.IsEmpty()) {
        PrintUsageError(env, options.json, resultProblem);
        return kExitUsage;
    }
    // The status line: for a walk over a folder, on a terminal, never with --json.
    std::shared_ptr<engine::CWalkStatus> status;
    if (auto* walker = dynamic_cast<engine::CFileWalker*>(task.get());
        walker && env.outIsTerminal && !options.json) {
        status = std::make_shared<engine::CWalkStatus>();
        walker->WatchWalk(status);
    }
    CLinePrinter printer(env.out, env.outIsTerminal, options.json, TerminalWidth);
    return RunTask(std::move(task), target, printer, *gate, status, env, options.json);
}

}  // namespace tabulon::cli
