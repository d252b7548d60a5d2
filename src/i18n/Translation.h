#pragma once

// The translation table: every user-visible English text is passed through
// Translate, which looks it up in the language columns of transl.dt.
//
//   LoadTranslation(savedCode);          // once, at start-up, before any window
//   label->setText(QString::fromStdString(Translate("Scan")));
//   Format(Translate("Building duplicates... %d / %d"), i + 1, n);  // translate, then fill
//
// Thread: the process-wide instance belongs to the user-interface thread. The table is
// written only by Load (at start-up, before other threads run) and only read afterwards;
// LangIndex and LangCode change only through SetLanguage (the language menu). Translate
// may be called from another thread only while neither happens.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace harrowdale {

/// Columns side by side; every column has the same number of rows. Row 0 holds the
/// display names, row 1 the language codes, rows 2 and on the texts; column 0 is English.
using TLangColumn = std::vector<std::string>;
using TLangTable = std::vector<TLangColumn>;

/// The largest translation file read, and the most language columns it may have; a
/// larger file is treated as a missing one.
constexpr std::size_t kMaxTranslationFileBytes = 16 * 1024 * 1024;
constexpr std::size_t kMaxTranslationColumns = 1000;

/// Parses the contents of a translation file (UTF-8, optional BOM, CR LF / LF / CR line
/// ends, optional final line break, each line a value exactly as written). On success
/// `table` holds N columns of (L - 1) div N rows, an incomplete last row dropped. Fails
/// with `error` set, leaving `table` empty, when line 1 is not a non-negative decimal
/// integer (blanks around it and a '+' are tolerated), when N is above
/// kMaxTranslationColumns, or when the file is shorter than its header rows (fewer than
/// 2 N + 1 lines).
bool ParseTranslationFile(std::string_view contents, TLangTable& table, std::string& error);

/// Language code of a POSIX locale name ("de_DE.UTF-8" -> "de", "ja_JP" -> "jp",
/// "zh_TW" -> "cn"), by its primary language; "en" for any other, for "C", "POSIX" and "".
std::string SystemLanguageCode(std::string_view localeName);
/// Language code of the user's interface language (platform::UiLanguage).
std::string SystemLanguageCode();

/// Where transl.dt may be for the program at `executablePath` (absolute, links resolved),
/// in order: the data folder of an installed copy, ../share/harrowdale from the
/// executable's folder, under whatever prefix it was installed or moved to; then the
/// executable's own folder (a build tree). None for a path without a folder.
std::vector<std::string> TranslationFileCandidates(std::string_view executablePath);
/// The same for the running program.
std::vector<std::string> TranslationFileCandidates();

class TTranslation
{
public:
    /// Code of the current language ("de"); what the settings keep.
    const std::string& LangCode() const { return FLangCode; }
    /// Current column; 0 (English) turns lookups off.
    int LangIndex() const { return FLangIndex; }
    /// The file as loaded; empty when there was no usable file. Never changes after Load.
    const TLangTable& LangTable() const { return FLangTable; }
    /// Why the last Load fell back to English ("" when it did not); never shown.
    const std::string& LastError() const { return FLastError; }
    /// The file the last Load read ("" when none).
    const std::string& LoadedPath() const { return FLoadedPath; }

    /// LoadTranslation: LangCode := `systemCode`, replaced by `savedCode` when
    /// there is one; the file is the first of `candidates` that is a regular file (a link
    /// to one included) of at most kMaxTranslationFileBytes. LangIndex := the
    /// first column whose code equals LangCode ignoring ASCII case, else 0. Any failure
    /// leaves LangIndex 0 (English) and an empty table, silently. Returns true when a
    /// file was read and parsed.
    bool Load(std::string_view systemCode, const std::optional<std::string>& savedCode,
              std::span<const std::string> candidates);

    /// The language menu's pick: LangIndex := `column`, LangCode := its code (row 1).
    /// Returns false, changing nothing, for a column the table does not have.
    bool SetLanguage(int column);

    /// Translate: the text of the current column for the English `text`, or
    /// `text` itself when lookups are off, the key is missing or the translation is empty.
    std::string Translate(std::string_view text) const;

    /// The form a count takes, translated: `singular` where the current language uses its
    /// singular for `count`, else `plural`; both are English keys with their own rows in
    /// transl.dt ("%d item deleted, %s" and "%d items deleted, %s"), so each language
    /// writes its own forms. A language with more than two forms gives the second row the
    /// form most counts take.
    std::string TranslatePlural(std::string_view singular, std::string_view plural,
                                std::int64_t count) const;

private:
    struct TKeyHash
    {
        using is_transparent = void;
        std::size_t operator()(std::string_view s) const noexcept
        {
            return std::hash<std::string_view>{}(s);
        }
    };

    std::string FLangCode;
    int FLangIndex = 0;
    TLangTable FLangTable;
    /// Column 0's values to their first row (the lookup searches from row 0 down).
    std::unordered_map<std::string, std::size_t, TKeyHash, std::equal_to<>> FRowOfKey;
    std::string FLastError;
    std::string FLoadedPath;
};

/// The process-wide table.
TTranslation& Translation();

/// Loads the process-wide table for the user's system language and the saved code (the
/// settings value CurrentLanguage, when there is one).
bool LoadTranslation(const std::optional<std::string>& savedCode,
                     std::span<const std::string> candidates);
bool LoadTranslation(const std::optional<std::string>& savedCode);

/// Translation().Translate(text): the lookup every user-visible English text passes.
std::string Translate(std::string_view text);

/// Whether the language of `code` uses its singular for `count`: 1 alone in English and
/// German, 0 and 1 in French.
bool TakesSingular(std::string_view code, std::int64_t count);

/// Translation().TranslatePlural: Format(TranslatePlural("%d item", "%d items", n), n).
std::string TranslatePlural(std::string_view singular, std::string_view plural, std::int64_t count);

} // namespace harrowdale
