#include "app/check_command.h"

#include <ostream>

#include "app/program.h"
#include "check/checker.h"

namespace zirn::app {

namespace {

// Writes the findings for one program; true when one of them counts
// against the exit status.
bool report_findings(const std::string& name, std::string_view text, WarningMode mode, std::ostream& errors)
{
    bool failed = false;
    for (const check::Finding& finding : check::check_program(text)) {
        const bool warning = finding.severity == check::Severity::Warning;
        if (warning && mode == WarningMode::None) continue;
        if (!warning || mode == WarningMode::Error) failed = true;
        errors << check::format_finding(name, finding) << '\n';
    }
    return failed;
}

}  // namespace

int run_check(const CommandLine& command, std::ostream& errors)
{
    const WarningMode mode = command.warnings.value_or(WarningMode::All);
    bool failed = false;
    if (command.check_text) {
        failed = report_findings("-e", command.program, mode, errors);
    } else {
        for (const std::string& file : command.arguments) {
            std::string problem;
            const std::optional<std::string> text = read_program_file(file, problem);
            if (!text) {
                errors << "error: " << problem << '\n';
                failed = true;
                continue;
            }
            failed = report_findings(file, *text, mode, errors) || failed;
        }
    }
    errors.flush();
    return failed ? 1 : 0;
}

}  // namespace zirn::app
