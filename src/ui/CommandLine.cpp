#include "ui/CommandLine.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>

namespace harrowdale::ui {

std::vector<std::string> ArgumentBytes(int argc, const char* const* argv)
{
    return std::vector<std::string>(argv, argv + argc);
}

TCommandLine ParseCommandLine(const std::vector<std::string>& args)
{
    QStringList texts;
    for (const std::string& a : args)
        texts << QFile::decodeName(QByteArray::fromStdString(a));

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Shows where the space on your disks went: scans all drives or one "
                       "folder and shows the result as treemaps, lists and trees."));
    const QCommandLineOption help = parser.addHelpOption();
    const QCommandLineOption version = parser.addVersionOption();
    const QCommandLineOption open(
        QStringLiteral("open"),
        QStringLiteral("Open FILE, a scan saved in the ncdu JSON export format, instead of "
                       "scanning. Given several times, the files open as one result."),
        QStringLiteral("FILE"));
    parser.addOption(open);
    parser.addPositionalArgument(QStringLiteral("PATH"),
                                 QStringLiteral("Folder to choose and scan at once."),
                                 QStringLiteral("[PATH]"));

    TCommandLine result;
    const bool parsed = parser.parse(texts);
    if (parser.isSet(help)) {
        result.Action = TCommandLine::TAction::Help;
        // The usage line names the program, not the path it was started by.
        result.Text = parser.helpText();
        const QString started = QCoreApplication::arguments().value(0);
        const qsizetype at = result.Text.indexOf(started);
        if (!started.isEmpty() && at >= 0 && at < result.Text.indexOf(QLatin1Char('\n')))
            result.Text.replace(at, started.size(), QStringLiteral("harrowdale"));
        return result;
    }
    if (parser.isSet(version)) {
        result.Action = TCommandLine::TAction::Version;
        result.Text = QStringLiteral("%1 %2\n").arg(QCoreApplication::applicationName(),
                                                    QCoreApplication::applicationVersion());
        return result;
    }
    if (!parsed) {
        result.Action = TCommandLine::TAction::Error;
        result.Text = parser.errorText();
        return result;
    }
    const QStringList positional = parser.positionalArguments();
    if (positional.size() > 1) {
        result.Action = TCommandLine::TAction::Error;
        result.Text = QStringLiteral("Only one PATH can be given.");
        return result;
    }
    if (parser.isSet(open)) {
        if (!positional.isEmpty()) {
            result.Action = TCommandLine::TAction::Error;
            result.Text = QStringLiteral("Give either PATH or --open FILE.");
            return result;
        }
        // The exact bytes, from the argument itself: "--open FILE" or "--open=FILE".
        for (std::size_t i = 1; i < args.size(); ++i) {
            if (args[i] == "--open" && i + 1 < args.size())
                result.OpenFiles.push_back(args[++i]);
            else if (args[i].starts_with("--open="))
                result.OpenFiles.push_back(args[i].substr(7));
        }
        return result;
    }
    if (positional.size() == 1) {
        // The exact bytes: the text form of a name that is not UTF-8 would name another
        // file. Positional arguments keep their order, so the first argument (after the
        // program) whose text matches is the one.
        for (std::size_t i = 1; i < args.size(); ++i) {
            if (texts[static_cast<int>(i)] == positional.first()) {
                result.Path = args[i];
                break;
            }
        }
    }
    return result;
}

} // namespace harrowdale::ui
