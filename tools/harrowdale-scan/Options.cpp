#include "Options.h"

#include <charconv>

namespace harrowdale::cli {

namespace {

bool ParseCount(const std::string& s, std::size_t& out)
{
    const auto [p, ec] = std::from_chars(s.data(), s.data() + s.size(), out);
    return ec == std::errc() && p == s.data() + s.size();
}

bool ParseInt(std::string_view s, int& out)
{
    const auto [p, ec] = std::from_chars(s.data(), s.data() + s.size(), out);
    return ec == std::errc() && p == s.data() + s.size();
}

// "YYYY-MM-DD[ HH:MM[:SS]]" in local time.
std::optional<TDateTime> ParseLocalDate(const std::string& s)
{
    TDateParts p;
    char extra = 0;
    int n = std::sscanf(s.c_str(), "%4d-%2d-%2d %2d:%2d:%2d%c", &p.Year, &p.Month, &p.Day, &p.Hour,
                        &p.Minute, &p.Second, &extra);
    const bool shapeOk =
        (n == 3 && s.size() == 10) || (n == 5 && s.size() == 16) || (n == 6 && s.size() == 19);
    if (!shapeOk)
        return std::nullopt;
    return EncodeDateTime(p);
}

bool SplitSizeUnit(const std::string& s, std::string& number, int& unit)
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
                return true;
            }
        }
    }
    number = s;
    unit = 0;
    return true;
}

} // namespace

std::string UsageText()
{
    return "Usage: harrowdale-scan [options] PATH\n"
           "       harrowdale-scan [options] --all-drives\n"
           "       harrowdale-scan [options] --import FILE\n"
           "\n"
           "Scans a folder (or every local drive) and reports sizes by extension, the\n"
           "largest files and groups of duplicate files (same name and size).\n"
           "\n"
           "Options:\n"
           "  --exclude-before \"YYYY-MM-DD[ HH:MM[:SS]]\"  skip files last written before this\n"
           "                                 local time\n"
           "  --exclude-smaller VALUE[UNIT]  skip files smaller than VALUE (UNIT: B, KB, MB,\n"
           "                                 GB, TB; default B)\n"
           "  --exclude-pattern \"MASKS\"      skip files whose name or path matches one of\n"
           "                                 the ';'-separated masks (* ? [a-z] [!a-z])\n"
           "  --largest N                    list the N largest files (default 20)\n"
           "  --duplicates N                 list the N largest duplicate groups (default 20)\n"
           "  --json                         print one JSON object instead of the report\n"
           "  --export FILE                  also write the scan to FILE in the common scan\n"
           "                                 file format (as ncdu -o and gdu -o write it);\n"
           "                                 '-' writes it to standard output instead of the\n"
           "                                 report\n"
           "  --import FILE                  report on a scan file (ours, ncdu's or gdu's,\n"
           "                                 gzip-compressed or not; '-' reads standard\n"
           "                                 input) instead of scanning\n"
           "  --no-progress                  no progress line while scanning\n"
           "  --treemap KIND --size WxH --png FILE\n"
           "                                 write a treemap picture instead of the report;\n"
           "                                 KIND: files, nested, folders, duplicates\n"
           "  --help                         this text\n"
           "  --version                      the version\n";
}

std::optional<Options> ParseOptions(const std::vector<std::string>& args, std::string& error)
{
    Options o;
    bool havePath = false;
    auto value = [&](std::size_t& i, const std::string& name) -> const std::string* {
        if (i + 1 >= args.size()) {
            error = "option " + name + " needs a value";
            return nullptr;
        }
        return &args[++i];
    };
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
        } else if (a == "--help" || a == "-h") {
            o.Help = true;
        } else if (a == "--version") {
            o.Version = true;
        } else if (a == "--all-drives") {
            o.AllDrives = true;
        } else if (a == "--json") {
            o.Json = true;
        } else if (a == "--no-progress") {
            o.NoProgress = true;
        } else if (a == "--exclude-before") {
            const std::string* v = value(i, a);
            if (!v)
                return std::nullopt;
            const auto d = ParseLocalDate(*v);
            if (!d) {
                error = "--exclude-before wants \"YYYY-MM-DD[ HH:MM[:SS]]\", not \"" + *v + "\"";
                return std::nullopt;
            }
            o.ExcludeBefore = true;
            o.Before = *d;
        } else if (a == "--exclude-smaller") {
            const std::string* v = value(i, a);
            if (!v)
                return std::nullopt;
            o.ExcludeSmaller = true;
            SplitSizeUnit(*v, o.SmallerNumber, o.SmallerUnit);
        } else if (a == "--exclude-pattern") {
            const std::string* v = value(i, a);
            if (!v)
                return std::nullopt;
            o.ExcludePattern = true;
            o.Pattern = *v;
        } else if (a == "--largest" || a == "--duplicates") {
            const std::string* v = value(i, a);
            if (!v)
                return std::nullopt;
            std::size_t n = 0;
            if (!ParseCount(*v, n)) {
                error = a + " wants a whole number, not \"" + *v + "\"";
                return std::nullopt;
            }
            (a == "--largest" ? o.Largest : o.Duplicates) = n;
        } else if (a == "--treemap") {
            const std::string* v = value(i, a);
            if (!v)
                return std::nullopt;
            if (*v != "files" && *v != "nested" && *v != "folders" && *v != "duplicates") {
                error = "--treemap wants files, nested, folders or duplicates, not \"" + *v + "\"";
                return std::nullopt;
            }
            o.TreemapKind = *v;
        } else if (a == "--size") {
            const std::string* v = value(i, a);
            if (!v)
                return std::nullopt;
            const auto x = v->find_first_of("xX");
            if (x == std::string::npos || !ParseInt(std::string_view(*v).substr(0, x), o.Width) ||
                !ParseInt(std::string_view(*v).substr(x + 1), o.Height) || o.Width <= 0 ||
                o.Height <= 0 || o.Width > 16384 || o.Height > 16384) {
                error = "--size wants WIDTHxHEIGHT (1 to 16384 each), not \"" + *v + "\"";
                return std::nullopt;
            }
        } else if (a == "--export" || a == "--import") {
            const std::string* v = value(i, a);
            if (!v)
                return std::nullopt;
            if (v->empty()) {
                error = a + " needs a file name";
                return std::nullopt;
            }
            (a == "--export" ? o.ExportPath : o.ImportPath) = *v;
        } else if (a == "--png") {
            const std::string* v = value(i, a);
            if (!v)
                return std::nullopt;
            o.PngPath = *v;
        } else {
            error = "unknown option " + a;
            return std::nullopt;
        }
    }
    if (o.Help || o.Version)
        return o;
    if (!o.ImportPath.empty()) {
        if (havePath || o.AllDrives) {
            error = "--import reads a scan file: give no PATH and no --all-drives";
            return std::nullopt;
        }
        if (o.ExcludeBefore || o.ExcludeSmaller || o.ExcludePattern) {
            error = "--exclude-before, --exclude-smaller and --exclude-pattern apply to "
                    "scans, not to --import";
            return std::nullopt;
        }
    } else if (o.AllDrives == havePath) {
        error = havePath ? "give either PATH or --all-drives, not both" : "no PATH given";
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
