#pragma once

// The window's command line: `harrowdale [PATH]`, `harrowdale --open FILE`, --help and
// --version. Read twice at
// start-up: first under a QCoreApplication, so that --help and --version answer without a
// display, then under the QApplication, which has taken Qt's own options (-platform,
// -style, ...) out of the arguments.

#include <QString>
#include <QStringList>
#include <optional>
#include <string>
#include <vector>

namespace harrowdale::ui {

struct TCommandLine
{
    enum class TAction
    {
        Run,     ///< open the window
        Help,    ///< print Text to standard output and end with status 0
        Version, ///< the same
        Error,   ///< print Text to standard error and end with status 2
    };
    TAction Action = TAction::Run;
    QString Text;
    /// The folder to choose and scan at once, as the bytes given.
    std::optional<std::string> Path;
    /// The scan files to open at once (--open FILE, as often as given), as the bytes given;
    /// several open as one result.
    std::vector<std::string> OpenFiles;
};

/// Reads `args` (the program's own name first), each the exact bytes of one argument.
/// --help and --version win over everything else, also over options it does not know
/// (before the QApplication exists, Qt's own options are still among the arguments).
TCommandLine ParseCommandLine(const std::vector<std::string>& args);

/// The arguments as bytes, as main received them.
std::vector<std::string> ArgumentBytes(int argc, const char* const* argv);

} // namespace harrowdale::ui
