#include "Options.h"

#include "platform/FileSystem.h"

#include <algorithm>
#include <array>
#include <charconv>

namespace harrowdale::cli {

namespace {

bool ParseCount(const std::string& s, std::size_t& out)
{
    const auto [p, ec] = std::from_chars(s.data(), s.data() + s.size(), out);
    return ec == std::errc() && p == s.data() + s.size() && !s.empty();
}

bool ParseInt(std::string_view s, int& out)
{
    const auto [p, ec] = std::from_chars(s.data(), s.data() + s.size(), out);
    return ec == std::errc() && p == s.data() + s.size() && !s.empty();
}

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

void SplitSizeUnit(const std::string& s, std::string& number, int& unit)
{
    static const char* kUnits[] = {"TB", "GB", "MB", "KB", "B"};
    static const int kIndex[] = {4, 3, 2, 1, 0};
    for (int i = 0; i < 5; ++i) {
        const std::string u = kUnits[i];
        if (s.size() > u.size()) {
            std::string tail = s.substr(s.size() - u.size());
            for (char& c : tail)
                c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
            if (tail == u) {
                number = s.substr(0, s.size() - u.size());
                unit = kIndex[i];
                return;
            }
        }
    }
    number = s;
    unit = 0;
}

bool ApplyCount(const char* name, const std::string& v, std::size_t& out, std::string& error)
{
    if (ParseCount(v, out))
        return true;
    error = std::string(name) + " wants a whole number, not \"" + v + "\"";
    return false;
}

bool ApplyFileName(const char* name, const std::string& v, std::string& out, std::string& error)
{
    if (v.empty()) {
        error = std::string(name) + " needs a file name";
        return false;
    }
    out = v;
    return true;
}

constexpr std::array kOptions = {
    OptionSpec{"--all-drives", "", "", "scan every local drive instead of a PATH",
               [](Options& o, const std::string&, std::string&) { return o.AllDrives = true; }},
    OptionSpec{"--exclude-before", "", "\"YYYY-MM-DD[ HH:MM[:SS]]\"",
               "skip files last written before this local time",
               [](Options& o, const std::string& v, std::string& error) {
                   const auto d = ParseLocalDate(v);
                   if (!d) {
                       error = "--exclude-before wants \"YYYY-MM-DD\", \"YYYY-MM-DD HH:MM\" or "
                               "\"YYYY-MM-DD HH:MM:SS\", not \"" +
                               v + "\"";
                       return false;
                   }
                   o.ExcludeBefore = true;
                   o.Before = *d;
                   return true;
               }},
    OptionSpec{"--exclude-smaller", "", "VALUE[UNIT]",
               "skip files smaller than VALUE (UNIT: B, KB, MB, GB, TB; default B)",
               [](Options& o, const std::string& v, std::string&) {
                   o.ExcludeSmaller = true;
                   o.SmallerText = v;
                   SplitSizeUnit(v, o.SmallerNumber, o.SmallerUnit);
                   return true;
               }},
    OptionSpec{"--exclude-pattern", "", "\"MASKS\"",
               "skip files whose name or path matches one of the ';'-separated masks "
               "(* ? [a-z] [!a-z])",
               [](Options& o, const std::string& v, std::string&) {
                   o.ExcludePattern = true;
                   o.Pattern = v;
                   return true;
               }},
    OptionSpec{"--hard-links", "", "once|each",
               "count a file with several hard links once (default) or at every link",
               [](Options& o, const std::string& v, std::string& error) {
                   if (v != "once" && v != "each") {
                       error = "--hard-links wants once or each, not \"" + v + "\"";
                       return false;
                   }
                   o.EveryHardLink = v == "each";
                   return true;
               }},
    OptionSpec{"--size-on-disk", "", "",
               "count the space files take on disk (their blocks) instead of their length",
               [](Options& o, const std::string&, std::string&) { return o.SizeOnDisk = true; }},
    OptionSpec{"--largest", "", "N", "list the N largest files (default 20)",
               [](Options& o, const std::string& v, std::string& error) {
                   return ApplyCount("--largest", v, o.Largest, error);
               }},
    OptionSpec{"--duplicates", "", "N", "list the N largest duplicate groups (default 20)",
               [](Options& o, const std::string& v, std::string& error) {
                   return ApplyCount("--duplicates", v, o.Duplicates, error);
               }},
    OptionSpec{"--duplicates-by", "", "name|content",
               "group duplicates by name and size (default), or by content: files of equal "
               "length whose bytes are compared",
               [](Options& o, const std::string& v, std::string& error) {
                   if (v != "name" && v != "content") {
                       error = "--duplicates-by wants name or content, not \"" + v + "\"";
                       return false;
                   }
                   o.DuplicatesByContent = v == "content";
                   return true;
               }},
    OptionSpec{"--json", "", "", "print one JSON object instead of the report",
               [](Options& o, const std::string&, std::string&) { return o.Json = true; }},
    OptionSpec{"--export", "", "FILE",
               "also write the scan to FILE in the common scan file format (as ncdu -o and "
               "gdu -o write it); '-' writes it to standard output instead of the report",
               [](Options& o, const std::string& v, std::string& error) {
                   return ApplyFileName("--export", v, o.ExportPath, error);
               }},
    OptionSpec{"--import", "", "FILE",
               "report on a scan file (ours, ncdu's or gdu's, gzip-compressed or not; '-' "
               "reads standard input) instead of scanning; the filters, --size-on-disk and "
               "--hard-links apply to it as to a scan. Given several times, the files are "
               "reported on as one result: each a top-level folder named by its scanned "
               "folder, all measured alike",
               [](Options& o, const std::string& v, std::string& error) {
                   std::string path;
                   if (!ApplyFileName("--import", v, path, error))
                       return false;
                   o.ImportPaths.push_back(path);
                   return true;
               }},
    OptionSpec{"--remote", "", "[USER@]HOST[:PORT]:PATH",
               "scan PATH on another machine through ssh (batch mode: keys or an agent, the "
               "known hosts and ~/.ssh/config as for ssh itself) with the first of "
               "harrowdale-scan, ncdu or gdu found there, instead of a local PATH. Given "
               "several times, the scans are reported on as one result, each a top-level "
               "folder named HOST:PATH. An IPv6 address goes in brackets: [::1]:PATH",
               [](Options& o, const std::string& v, std::string& error) {
                   std::string target;
                   if (!ApplyFileName("--remote", v, target, error))
                       return false;
                   o.Remotes.push_back(target);
                   return true;
               }},
    OptionSpec{"--ssh-config", "", "FILE",
               "ssh's configuration file for --remote, instead of ~/.ssh/config",
               [](Options& o, const std::string& v, std::string& error) {
                   return ApplyFileName("--ssh-config", v, o.SshConfig, error);
               }},
    OptionSpec{"--compare", "", "OLD",
               "compare the scan file OLD with the scan of PATH (or with the scan file "
               "--import names): the folders that grew and shrank most, the files that are "
               "new, gone or changed in size, and both totals; entries match by their exact "
               "path, so a renamed one shows as gone and new. Both sides are counted as the "
               "options say, and must have been measurable so",
               [](Options& o, const std::string& v, std::string& error) {
                   return ApplyFileName("--compare", v, o.ComparePath, error);
               }},
    OptionSpec{"--history", "", "",
               "also keep the scan in the scan history ($XDG_DATA_HOME/harrowdale/history), "
               "which keeps the last 10 scans of each folder and 1 GiB in all",
               [](Options& o, const std::string&, std::string&) { return o.History = true; }},
    OptionSpec{"--no-progress", "", "", "no progress line while scanning or comparing contents",
               [](Options& o, const std::string&, std::string&) { return o.NoProgress = true; }},
    OptionSpec{"--threads", "", "N",
               "walk the tree with N threads (default: chosen for the machine)",
               [](Options& o, const std::string& v, std::string& error) {
                   std::size_t n = 0;
                   if (!ParseCount(v, n) || n < 1 || n > 256) {
                       error = "--threads wants a whole number from 1 to 256, not \"" + v + "\"";
                       return false;
                   }
                   o.Threads = static_cast<unsigned>(n);
                   return true;
               }},
    OptionSpec{"--treemap", "", "KIND",
               "write a treemap picture instead of the report (KIND: files, nested, folders, "
               "duplicates); needs --size and --png",
               [](Options& o, const std::string& v, std::string& error) {
                   if (v != "files" && v != "nested" && v != "folders" && v != "duplicates") {
                       error = "--treemap wants files, nested, folders or duplicates, not \"" + v +
                               "\"";
                       return false;
                   }
                   o.TreemapKind = v;
                   return true;
               }},
    OptionSpec{"--size", "", "WxH", "the picture's width and height in pixels",
               [](Options& o, const std::string& v, std::string& error) {
                   const auto x = v.find_first_of("xX");
                   if (x == std::string::npos ||
                       !ParseInt(std::string_view(v).substr(0, x), o.Width) ||
                       !ParseInt(std::string_view(v).substr(x + 1), o.Height) || o.Width <= 0 ||
                       o.Height <= 0 || o.Width > 16384 || o.Height > 16384) {
                       error = "--size wants WIDTHxHEIGHT (1 to 16384 each), not \"" + v + "\"";
                       return false;
                   }
                   return true;
               }},
    OptionSpec{"--png", "", "FILE", "where the picture is written",
               [](Options& o, const std::string& v, std::string&) {
                   o.PngPath = v;
                   return true;
               }},
    OptionSpec{"--help", "-h", "", "this text",
               [](Options& o, const std::string&, std::string&) { return o.Help = true; }},
    OptionSpec{"--version", "", "", "the version",
               [](Options& o, const std::string&, std::string&) { return o.Version = true; }},
};

const OptionSpec* FindOption(std::string_view name)
{
    for (const OptionSpec& spec : kOptions)
        if (name == spec.Name || (!spec.Short.empty() && name == spec.Short))
            return &spec;
    return nullptr;
}

// Appends `text` wrapped to 80 columns, continuation lines indented by `indent`.
void AppendWrapped(std::string& out, std::string_view text, std::size_t column, std::size_t indent)
{
    constexpr std::size_t kWidth = 80;
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t end = text.find(' ', pos);
        if (end == std::string_view::npos)
            end = text.size();
        const std::string_view word = text.substr(pos, end - pos);
        if (column > indent && column + 1 + word.size() > kWidth) {
            out += "\n" + std::string(indent, ' ');
            column = indent;
        } else if (column > indent) {
            out += ' ';
            ++column;
        }
        out += word;
        column += word.size();
        pos = end + 1;
    }
    out += '\n';
}

} // namespace

std::span<const OptionSpec> OptionTable()
{
    return kOptions;
}

std::optional<TDateTime> ParseLocalDate(std::string_view s)
{
    // Digits where the form has digits, its own separators elsewhere; nothing else.
    static constexpr std::string_view kForm = "0000-00-00 00:00:00";
    if (s.size() != 10 && s.size() != 16 && s.size() != 19)
        return std::nullopt;
    for (std::size_t i = 0; i < s.size(); ++i)
        if (kForm[i] == '0' ? !IsDigit(s[i]) : s[i] != kForm[i])
            return std::nullopt;
    auto number = [s](std::size_t at, std::size_t len) {
        int v = 0;
        for (std::size_t i = at; i < at + len; ++i)
            v = v * 10 + (s[i] - '0');
        return v;
    };
    TDateParts p;
    p.Year = number(0, 4);
    p.Month = number(5, 2);
    p.Day = number(8, 2);
    if (s.size() >= 16) {
        p.Hour = number(11, 2);
        p.Minute = number(14, 2);
    }
    if (s.size() == 19)
        p.Second = number(17, 2);
    return EncodeDateTime(p);
}

std::string UsageText()
{
    std::string text = "Usage: harrowdale-scan [options] [--] PATH\n"
                       "       harrowdale-scan [options] --all-drives\n"
                       "       harrowdale-scan [options] --import FILE [--import FILE...]\n"
                       "       harrowdale-scan [options] --remote [USER@]HOST[:PORT]:PATH...\n"
                       "       harrowdale-scan [options] --compare OLD (PATH | --import NEW)\n"
                       "\n"
                       "Scans a folder (or every local drive) and reports sizes by extension, "
                       "the\n"
                       "largest files and groups of duplicate files (same name and size). PATH "
                       "is\n"
                       "used exactly as given. An option's value follows it or comes after '='\n"
                       "(--largest=3); \"--\" ends the options.\n"
                       "\n"
                       "Options:\n";
    constexpr std::size_t kHelpColumn = 33;
    for (const OptionSpec& spec : kOptions) {
        std::string left = "  " + std::string(spec.Name);
        if (!spec.Short.empty())
            left += ", " + std::string(spec.Short);
        if (!spec.Value.empty())
            left += " " + std::string(spec.Value);
        if (left.size() + 1 > kHelpColumn) {
            text += left + "\n" + std::string(kHelpColumn, ' ');
        } else {
            left.resize(kHelpColumn, ' ');
            text += left;
        }
        AppendWrapped(text, spec.Help, kHelpColumn, kHelpColumn);
    }
    const platform::ListingMeasures can = platform::WhatListingsMeasure();
    if (!can.AllocatedSizes || !can.LinkIdentity) {
        text += "\n";
        AppendWrapped(
            text,
            "On this system a scan counts the length of each file and every hard "
            "link, whatever --size-on-disk and --hard-links ask: its folder listing "
            "tells neither the space a file uses on disk nor which names are links of "
            "one file. A scan file is counted as asked when the system that made it could "
            "tell these, and as it was scanned otherwise.",
            0, 0);
    }
    text += "\n"
            "Exit status:\n"
            "  0    the report (or the picture, or the export) was written\n"
            "  1    the report, the picture, the export or the history could not be\n"
            "       written; or some\n"
            "       folders could not be read: the output is written without them, and\n"
            "       standard error says how many there are and names the first ones\n"
            "  2    bad usage, a folder that does not exist, no drives, an invalid size, date\n"
            "       or mask, a scan that failed or a scan file that cannot be read\n"
            "  130  interrupted (Ctrl+C)\n"
            "  143  terminated (SIGTERM)\n";
    return text;
}

std::optional<Options> ParseOptions(const std::vector<std::string>& args, std::string& error)
{
    Options o;
    bool havePath = false;
    bool endOfOptions = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (endOfOptions || a.empty() || a[0] != '-' || a == "-") {
            if (havePath) {
                error = "more than one PATH given";
                return std::nullopt;
            }
            o.Path = a;
            havePath = true;
            continue;
        }
        if (a == "--") {
            endOfOptions = true;
            continue;
        }
        const std::size_t eq = a.starts_with("--") ? a.find('=') : std::string::npos;
        const std::string name = a.substr(0, eq);
        const OptionSpec* spec = FindOption(name);
        if (spec == nullptr) {
            error = "unknown option " + name;
            return std::nullopt;
        }
        std::string value;
        if (spec->Value.empty()) {
            if (eq != std::string::npos) {
                error = "option " + name + " takes no value";
                return std::nullopt;
            }
        } else if (eq != std::string::npos) {
            value = a.substr(eq + 1);
        } else if (i + 1 < args.size()) {
            value = args[++i];
        } else {
            error = "option " + name + " needs a value";
            return std::nullopt;
        }
        if (!spec->Apply(o, value, error))
            return std::nullopt;
    }
    if (o.Help || o.Version)
        return o;
    const std::size_t imports = o.ImportPaths.size();
    const std::size_t remotes = o.Remotes.size();
    if (remotes != 0) {
        if (havePath || o.AllDrives || imports != 0) {
            error = "--remote scans another machine: give no PATH, --all-drives or --import";
            return std::nullopt;
        }
        if (o.History || (remotes > 1 && (!o.ExportPath.empty() || !o.ComparePath.empty()))) {
            error = "--history keeps scans of this machine; several --remote make one result "
                    "of several folder trees, and --export and --compare take one";
            return std::nullopt;
        }
    } else if (imports != 0) {
        if (havePath || o.AllDrives) {
            error = "--import reads a scan file: give no PATH and no --all-drives";
            return std::nullopt;
        }
        if (std::count(o.ImportPaths.begin(), o.ImportPaths.end(), "-") > 1) {
            error = "standard input can be read once: give '-' to one --import only";
            return std::nullopt;
        }
        if (imports > 1 && (o.History || !o.ExportPath.empty() || !o.ComparePath.empty())) {
            error = "several --import make one result of several folder trees: --history, "
                    "--export and --compare take one";
            return std::nullopt;
        }
    } else if (o.AllDrives == havePath) {
        error = havePath ? "give either PATH or --all-drives, not both" : "no PATH given";
        return std::nullopt;
    }
    if (o.History && o.AllDrives) {
        error = "--history keeps scans of one folder; --all-drives scans several";
        return std::nullopt;
    }
    if (!o.ComparePath.empty() && (o.AllDrives || !o.TreemapKind.empty())) {
        error = "--compare reports on two scans of one folder: give no --all-drives and no "
                "--treemap";
        return std::nullopt;
    }
    if (o.ComparePath == "-" && imports == 1 && o.ImportPaths.front() == "-") {
        error = "--compare and --import cannot both read standard input";
        return std::nullopt;
    }
    if (!o.ExportPath.empty() && o.AllDrives) {
        error = "--export writes one folder tree; --all-drives scans several";
        return std::nullopt;
    }
    const bool anyPicture = !o.TreemapKind.empty() || o.Width != 0 || !o.PngPath.empty();
    if (anyPicture && (o.TreemapKind.empty() || o.Width == 0 || o.PngPath.empty())) {
        error = "--treemap, --size and --png go together";
        return std::nullopt;
    }
    return o;
}

} // namespace harrowdale::cli
