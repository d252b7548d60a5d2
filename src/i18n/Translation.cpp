#include "i18n/Translation.h"

#include "i18n/TextLines.h"
#include "platform/DataFiles.h"
#include "platform/Locale.h"
#include "platform/Paths.h"
#include "platform/Process.h"

namespace harrowdale {

namespace {

constexpr std::string_view kFileName = "transl.dt";

// Line 1: a decimal count. Blanks around it and a '+' are tolerated (an editor may add
// them); anything else, a sign '-' included, is an error.
std::optional<std::size_t> ParseColumnCount(std::string_view line)
{
    const auto first = line.find_first_not_of(" \t");
    if (first == std::string_view::npos)
        return std::nullopt;
    line.remove_prefix(first);
    line.remove_suffix(line.size() - line.find_last_not_of(" \t") - 1);
    if (!line.empty() && line.front() == '+')
        line.remove_prefix(1);
    if (line.empty() || line.size() > 9) // more than 999,999,999 columns is not a file
        return std::nullopt;
    std::size_t n = 0;
    for (const char c : line) {
        if (c < '0' || c > '9')
            return std::nullopt;
        n = n * 10 + static_cast<std::size_t>(c - '0');
    }
    return n;
}

bool EqualsIgnoringAsciiCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        char x = a[i];
        char y = b[i];
        if (x >= 'A' && x <= 'Z')
            x = static_cast<char>(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z')
            y = static_cast<char>(y - 'A' + 'a');
        if (x != y)
            return false;
    }
    return true;
}

} // namespace

bool ParseTranslationFile(std::string_view contents, TLangTable& table, std::string& error)
{
    table.clear();
    // Two passes over the text instead of a list of all its lines: a file may hold
    // millions of them.
    std::size_t lineCount = 0;
    std::string_view first;
    ForEachTextLine(contents, [&](std::string_view line) {
        if (lineCount++ == 0)
            first = line;
    });
    const std::optional<std::size_t> n = lineCount == 0 ? std::nullopt : ParseColumnCount(first);
    if (!n) {
        error = "Translation file: the first line is not a column count";
        return false;
    }
    if (*n == 0)
        return true; // no columns: no error, the language stays English
    if (*n > kMaxTranslationColumns) {
        error = "Translation file: more columns than a language menu can hold";
        return false;
    }
    // A file too short to hold a display name and a code
    // for every column is treated as if it were missing, so the language menu never sees
    // a column without a name or a code.
    if (lineCount < 2 * *n + 1) {
        error = "Translation file: too short for its header rows";
        return false;
    }
    const std::size_t rows = (lineCount - 1) / *n; // an incomplete last row is ignored
    table.assign(*n, TLangColumn{});
    for (TLangColumn& column : table)
        column.reserve(rows);
    std::size_t index = 0;
    ForEachTextLine(contents, [&](std::string_view line) {
        if (index > 0 && index <= rows * *n)
            table[(index - 1) % *n].emplace_back(line);
        ++index;
    });
    return true;
}

std::string SystemLanguageCode(std::string_view localeName)
{
    // Primary language: "de" of "de_DE.UTF-8@euro" (also "zh-Hans").
    const std::string_view primary = localeName.substr(0, localeName.find_first_of("_.@-"));
    std::string lang;
    for (const char c : primary)
        lang.push_back(c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c);
    static constexpr std::pair<std::string_view, std::string_view> kCodes[] = {
        {"ar", "ar"}, {"zh", "cn"}, {"cs", "cs"}, {"de", "de"}, {"el", "el"},
        {"es", "es"}, {"fr", "fr"}, {"hu", "hu"}, {"it", "it"}, {"ja", "jp"},
        {"ko", "kr"}, {"nl", "nl"}, {"pl", "pl"}, {"pt", "pt"}, {"tr", "tr"},
    };
    for (const auto& [iso, code] : kCodes)
        if (lang == iso)
            return std::string(code);
    return "en";
}

std::string SystemLanguageCode()
{
    return SystemLanguageCode(platform::UiLanguage());
}

std::vector<std::string> TranslationFileCandidates(std::string_view executablePath)
{
    // "/usr/bin" of "/usr/bin/harrowdale"; "/" for a program in the root folder.
    const std::string dir(platform::ParentPath(executablePath));
    if (dir.empty())
        return {};
    // The path has no links, so the parent is found by dropping the last component.
    std::string parent(platform::ParentPath(dir));
    if (parent.empty()) {
        parent = dir;
        platform::AppendPathComponent(parent, "..");
    }
    std::string installed = parent;
    for (const std::string_view part :
         {std::string_view("share"), std::string_view("harrowdale"), kFileName})
        platform::AppendPathComponent(installed, part);
    std::string beside = dir;
    platform::AppendPathComponent(beside, kFileName);
    return {installed, beside};
}

std::vector<std::string> TranslationFileCandidates()
{
    return TranslationFileCandidates(platform::ExecutablePath());
}

bool TTranslation::Load(std::string_view systemCode, const std::optional<std::string>& savedCode,
                        std::span<const std::string> candidates)
{
    FLangCode = savedCode ? *savedCode : std::string(systemCode);
    FLangIndex = 0;
    FLangTable.clear();
    FRowOfKey.clear();
    FLastError.clear();
    FLoadedPath.clear();

    // Anything but a regular file of a sane size counts as missing: a FIFO or a device
    // under the file's name must not hang or flood start-up.
    const std::string* path = nullptr;
    std::string contents;
    for (const std::string& candidate : candidates) {
        if (platform::ReadRegularFile(candidate, kMaxTranslationFileBytes, contents) ==
            platform::ReadResult::Ok) {
            path = &candidate;
            break;
        }
    }
    if (path == nullptr) {
        FLastError = "Cannot find translation file:" +
                     (candidates.empty() ? std::string(kFileName) : candidates.front());
        return false;
    }
    if (!ParseTranslationFile(contents, FLangTable, FLastError))
        return false;
    FLoadedPath = *path;

    if (!FLangTable.empty()) {
        const TLangColumn& keys = FLangTable.front();
        for (std::size_t r = 0; r < keys.size(); ++r)
            FRowOfKey.try_emplace(keys[r], r); // the first row of a key wins
    }
    for (std::size_t c = 0; c < FLangTable.size(); ++c) {
        if (EqualsIgnoringAsciiCase(FLangTable[c][1], FLangCode)) {
            FLangIndex = static_cast<int>(c);
            break;
        }
    }
    return true;
}

bool TTranslation::SetLanguage(int column)
{
    if (column < 0 || static_cast<std::size_t>(column) >= FLangTable.size())
        return false;
    FLangIndex = column;
    FLangCode = FLangTable[static_cast<std::size_t>(column)][1];
    return true;
}

std::string TTranslation::Translate(std::string_view text) const
{
    if (FLangIndex <= 0 || static_cast<std::size_t>(FLangIndex) >= FLangTable.size())
        return std::string(text);
    const auto it = FRowOfKey.find(text);
    if (it == FRowOfKey.end())
        return std::string(text);
    const std::string& value = FLangTable[static_cast<std::size_t>(FLangIndex)][it->second];
    return value.empty() ? std::string(text) : value;
}

bool TakesSingular(std::string_view code, std::int64_t count)
{
    // The languages whose singular also counts nothing; every other takes it for 1 alone.
    constexpr std::string_view kZeroIsSingular[] = {"fr"};
    for (const std::string_view c : kZeroIsSingular)
        if (EqualsIgnoringAsciiCase(code, c))
            return count == 0 || count == 1;
    return count == 1;
}

std::string TTranslation::TranslatePlural(std::string_view singular, std::string_view plural,
                                          std::int64_t count) const
{
    // English shown (lookups off) counts as English, whatever code was asked for.
    const bool english =
        FLangIndex <= 0 || static_cast<std::size_t>(FLangIndex) >= FLangTable.size();
    return Translate(TakesSingular(english ? std::string_view("en") : FLangCode, count) ? singular
                                                                                        : plural);
}

TTranslation& Translation()
{
    static TTranslation instance;
    return instance;
}

bool LoadTranslation(const std::optional<std::string>& savedCode,
                     std::span<const std::string> candidates)
{
    return Translation().Load(SystemLanguageCode(), savedCode, candidates);
}

bool LoadTranslation(const std::optional<std::string>& savedCode)
{
    const std::vector<std::string> candidates = TranslationFileCandidates();
    return LoadTranslation(savedCode, candidates);
}

std::string Translate(std::string_view text)
{
    return Translation().Translate(text);
}

std::string TranslatePlural(std::string_view singular, std::string_view plural, std::int64_t count)
{
    return Translation().TranslatePlural(singular, plural, count);
}

} // namespace harrowdale
