#include "cli/cli_driver.h"

#include <chrono>
#include <memory>
#include <ostream>
#include <utility>

#include "cli/cli_fields.h"
#include "cli/cli_options.h"
#include "cli/line_printer.h"
#include "cli/terminal_prompt.h"
#include "engine/automation/automation.h"
#include "engine/sheet/sheet_helpers.h"
#include "platform/paths.h"
#include "platform/prompt.h"
#include "platform/version.h"

namespace tabulon::cli {

namespace {

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
    engine::_Application session = engine::_Application::Create();
    engine::CollectWorksheetNames(session, path, names);
    session.Quit();
    for (const CString& name : names)
        env.out << (json ? JsonString(name) : name) << '\n';
    env.out.flush();
    return kExitCompleted;
}

// Runs the task to its end, printing its messages; the exit status.
int RunTask(std::unique_ptr<engine::CTask> task, platform::CNotifyTarget& target,
            CLinePrinter& printer) {
    CString finalText;
    bool finished = false;
    auto handle = [&](platform::CNotifyMessage message) {
        if (message.code == TN_FINISHED) {
            finished = true;
            if (const CString* text = message.payload.Text())
                finalText = *text;
        }
        printer.Handle(message.code, std::move(message.payload));
    };
    std::shared_ptr<engine::CTaskControl> control = engine::CTask::Start(std::move(task));
    bool stopRequested = false;
    while (control && !control->IsFinished()) {
        if (!stopRequested && InterruptRequests().load() > 0) {
            stopRequested = true;
            control->Stop();
        }
        if (auto message = target.WaitNext(std::chrono::milliseconds(100)))
            handle(std::move(*message));
    }
    for (platform::CNotifyMessage& message : target.Drain())
        handle(std::move(message));
    printer.Close();
    if (!finished || finalText == engine::kTaskCanceledText)
        return kExitCanceled;
    return kExitCompleted;
}

}  // namespace

std::atomic<int>& InterruptRequests() {
    static std::atomic<int> requests{0};
    return requests;
}

int RunTabulon(const std::vector<CString>& args, const CliEnvironment& env) {
    InterruptRequests().store(0);
    CliOptions options;
    CString error;
    if (!ParseCommandLine(args, options, error)) {
        env.err << "tabulon: " << error << "\nTry 'tabulon --help'.\n" << std::flush;
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

    TerminalAnswers answers{options.overwrite, options.open, env.inIsTerminal};
    platform::CScopedPromptService prompts(
        std::make_shared<CTerminalPromptService>(answers, env.in, env.err));

    if (options.listSheets)
        return ListSheets(*options.listSheets, env, options.json);

    if (options.settingsFile &&
        !platform::PathFileExists(AbsoluteFromCurrentFolder(*options.settingsFile))) {
        env.err << "tabulon: the settings file " << *options.settingsFile << " does not exist.\n"
                << std::flush;
        return kExitUsage;
    }
    TaskFields fields = LoadFields(options);
    platform::CNotifyTarget target;
    std::unique_ptr<engine::CTask> task =
        ValidateAndCreateTask(options.mode, fields, target.Handle());
    if (!task)
        return kExitUsage;
    CLinePrinter printer(env.out, env.outIsTerminal, options.json);
    return RunTask(std::move(task), target, printer);
}

}  // namespace tabulon::cli
