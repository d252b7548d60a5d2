#include "i18n/Translation.h"
#include "support/Environment.h"
#include "support/TempDir.h"

#include <cstdlib>
#include <fstream>
#include <functional>
#include <gtest/gtest.h>
#include <span>

namespace harrowdale {
namespace {

// English, German, French; "Scan" and "Stop" translated; "Files" has an empty German
// cell; "Scan failed: " carries its trailing blank.
constexpr std::string_view kThreeColumns = "3\n"
                                           "English\nDeutsch\nFran\xC3\xA7"
                                           "ais\n"
                                           "en\nde\nfr\n"
                                           "Scan\nScannen\nAnalyser\n"
                                           "Stop\nStopp\nArr\xC3\xAAter\n"
                                           "Files\n\nFichiers\n"
                                           "Scan failed: \nScan fehlgeschlagen: \n\xC3\x89"
                                           "chec : \n";

class TranslationTest : public ::testing::Test
{
protected:
    std::string Write(std::string_view name, std::string_view contents)
    {
        const std::string path = FDir / name;
        std::ofstream(path, std::ios::binary) << contents;
        return path;
    }
    bool Load(TTranslation& t, std::string_view contents, std::string_view systemCode,
              std::optional<std::string> saved = std::nullopt)
    {
        const std::vector<std::string> candidates{Write("transl.dt", contents)};
        return t.Load(systemCode, saved, candidates);
    }

    test::TempDir FDir;
};

TEST_F(TranslationTest, SavedCodeMatchesIgnoringCase)
{
    TTranslation t;
    ASSERT_TRUE(Load(t, kThreeColumns, "de", "FR"));
    EXPECT_EQ(t.LangIndex(), 2);
    EXPECT_EQ(t.LangCode(), "FR");
    EXPECT_EQ(t.Translate("Scan"), "Analyser");
    EXPECT_EQ(t.LastError(), "");
}

TEST_F(TranslationTest, SystemLanguageWithoutSavedValue)
{
    TTranslation t;
    ASSERT_TRUE(Load(t, kThreeColumns, SystemLanguageCode("de_DE.UTF-8")));
    EXPECT_EQ(t.LangIndex(), 1);
    EXPECT_EQ(t.LangCode(), "de");
    EXPECT_EQ(t.Translate("Stop"), "Stopp");
}

TEST_F(TranslationTest, JapaneseSystemPicksJpNotJa)
{
    const std::string code = SystemLanguageCode("ja_JP.UTF-8");
    EXPECT_EQ(code, "jp");
    TTranslation withJa;
    ASSERT_TRUE(Load(withJa, "2\nEnglish\nJapanese\nen\nja\nScan\nSCAN-JA\n", code));
    EXPECT_EQ(withJa.LangIndex(), 0);
    EXPECT_EQ(withJa.Translate("Scan"), "Scan");
    TTranslation withJp;
    ASSERT_TRUE(Load(withJp, "2\nEnglish\nJapanese\nen\njp\nScan\nSCAN-JP\n", code));
    EXPECT_EQ(withJp.LangIndex(), 1);
    EXPECT_EQ(withJp.Translate("Scan"), "SCAN-JP");
}

TEST_F(TranslationTest, SavedCodeWithoutColumnGivesEnglishEvenWhenSystemHasOne)
{
    TTranslation t;
    ASSERT_TRUE(Load(t, kThreeColumns, "de", "xx"));
    EXPECT_EQ(t.LangIndex(), 0);
    EXPECT_EQ(t.LangCode(), "xx");
    EXPECT_EQ(t.Translate("Scan"), "Scan");
}

TEST_F(TranslationTest, LookupIsExact)
{
    TTranslation t;
    ASSERT_TRUE(Load(t, kThreeColumns, "de"));
    EXPECT_EQ(t.Translate("Scan failed: "), "Scan fehlgeschlagen: ");
    EXPECT_EQ(t.Translate("Scan failed:"), "Scan failed:");
    EXPECT_EQ(t.Translate("scan"), "scan");
    EXPECT_EQ(t.Translate("Scan "), "Scan ");
    EXPECT_EQ(t.Translate("Not in the file"), "Not in the file");
    EXPECT_EQ(t.Translate(""), "");
    // Rows 0 and 1 take part in the search like all others.
    EXPECT_EQ(t.Translate("English"), "Deutsch");
    EXPECT_EQ(t.Translate("en"), "de");
}

TEST_F(TranslationTest, EmptyCellShowsEnglish)
{
    TTranslation t;
    ASSERT_TRUE(Load(t, kThreeColumns, "de"));
    EXPECT_EQ(t.Translate("Files"), "Files");
    EXPECT_EQ(t.Translate("Scan"), "Scannen"); // the rest stays translated
}

TEST_F(TranslationTest, ColumnZeroTurnsLookupsOff)
{
    // Column 0 says something else for "Scan": it is never shown.
    TTranslation t;
    ASSERT_TRUE(Load(t, "2\nEnglish\nDeutsch\nen\nde\nScan\nScannen\n", "en"));
    EXPECT_EQ(t.LangIndex(), 0);
    EXPECT_EQ(t.Translate("Scan"), "Scan");
    ASSERT_TRUE(t.SetLanguage(1));
    EXPECT_EQ(t.LangCode(), "de");
    EXPECT_EQ(t.Translate("Scan"), "Scannen");
    ASSERT_TRUE(t.SetLanguage(0));
    EXPECT_EQ(t.LangCode(), "en");
    EXPECT_EQ(t.Translate("Scan"), "Scan");
    EXPECT_FALSE(t.SetLanguage(2));
    EXPECT_FALSE(t.SetLanguage(-1));
    EXPECT_EQ(t.LangIndex(), 0);
}

TEST_F(TranslationTest, CountsPickTheFormOfTheLanguageShown)
{
    // Each form is a row of its own; French uses its singular for nothing too.
    constexpr std::string_view kForms = "3\nEnglish\nDeutsch\nFrancais\nen\nde\nfr\n"
                                        "%d file\n%d Datei\n%d fichier\n"
                                        "%d files\n%d Dateien\n%d fichiers\n";
    struct Case
    {
        int Column;
        std::int64_t Count;
        const char* Form;
    };
    const Case cases[] = {
        {0, 0, "%d files"},   {0, 1, "%d file"},    {0, 2, "%d files"},
        {1, 0, "%d Dateien"}, {1, 1, "%d Datei"},   {1, 21, "%d Dateien"},
        {2, 0, "%d fichier"}, {2, 1, "%d fichier"}, {2, 2, "%d fichiers"},
    };
    TTranslation t;
    ASSERT_TRUE(Load(t, kForms, "en"));
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "column " << c.Column << ", count " << c.Count);
        ASSERT_TRUE(t.SetLanguage(c.Column));
        EXPECT_EQ(t.TranslatePlural("%d file", "%d files", c.Count), c.Form);
    }
    // A French code with no column shows English, counted as English.
    ASSERT_TRUE(Load(t, "1\nEnglish\nen\n", "en", "fr"));
    EXPECT_EQ(t.TranslatePlural("%d file", "%d files", 0), "%d files");
}

TEST_F(TranslationTest, ValuesAreTakenExactlyAsWritten)
{
    TTranslation t;
    ASSERT_TRUE(Load(t, "2\n English \nDeutsch\t\nen\nde\n  Scan\n  Scannen  \n", "de"));
    EXPECT_EQ(t.LangTable()[0][0], " English ");
    EXPECT_EQ(t.LangTable()[1][0], "Deutsch\t");
    EXPECT_EQ(t.Translate("  Scan"), "  Scannen  ");
    EXPECT_EQ(t.Translate("Scan"), "Scan");
}

TEST_F(TranslationTest, FirstRowOfADuplicatedKeyWins)
{
    TTranslation t;
    ASSERT_TRUE(Load(t, "2\nEnglish\nDeutsch\nen\nde\nScan\nEins\nScan\nZwei\n", "de"));
    EXPECT_EQ(t.Translate("Scan"), "Eins");
}

TEST_F(TranslationTest, IncompleteLastRowIsIgnored)
{
    TTranslation t;
    // 3 columns, 10 lines after the count: rows 0..2 complete, "Stop" row has 1 of 3.
    ASSERT_TRUE(
        Load(t, "3\nEnglish\nDeutsch\nFr\nen\nde\nfr\nScan\nScannen\nAnalyser\nStop", "de"));
    ASSERT_EQ(t.LangTable().size(), 3u);
    for (const TLangColumn& column : t.LangTable())
        EXPECT_EQ(column.size(), 3u);
    EXPECT_EQ(t.Translate("Stop"), "Stop");
    EXPECT_EQ(t.Translate("Scan"), "Scannen");
}

TEST_F(TranslationTest, ByteOrderMarkAndLineEnds)
{
    const std::string body = "2|English|Deutsch|en|de|Scan|Scannen|Files||Stop|Stopp";
    for (const std::string_view brk : {"\r\n", "\n", "\r"}) {
        for (const bool bom : {false, true}) {
            for (const bool finalBreak : {false, true}) {
                std::string text = bom ? "\xEF\xBB\xBF" : "";
                for (const char c : body) {
                    if (c == '|')
                        text += brk;
                    else
                        text.push_back(c);
                }
                if (finalBreak)
                    text += brk;
                TTranslation t;
                SCOPED_TRACE(testing::Message() << "break " << brk.size() << (bom ? " bom" : "")
                                                << (finalBreak ? " final" : ""));
                ASSERT_TRUE(Load(t, text, "de")) << t.LastError();
                ASSERT_EQ(t.LangTable().size(), 2u);
                EXPECT_EQ(t.LangTable()[0].size(), 5u);
                EXPECT_EQ(t.LangTable()[0][0], "English");
                EXPECT_EQ(t.Translate("Scan"), "Scannen");
                EXPECT_EQ(t.Translate("Files"), "Files"); // empty line = empty value
                EXPECT_EQ(t.Translate("Stop"), "Stopp");
            }
        }
    }
    // Mixed line ends in one file; "\n\r" is two breaks (an empty line between).
    TTranslation t;
    ASSERT_TRUE(Load(t, "2\r\nEnglish\rDeutsch\nen\r\nde\nScan\n\rStop\r\nStopp\r\n", "de"));
    EXPECT_EQ(t.LangTable()[0].size(), 4u);
    EXPECT_EQ(t.LangTable()[1][2], ""); // Scan's German cell is the empty line
    EXPECT_EQ(t.Translate("Scan"), "Scan");
    EXPECT_EQ(t.Translate("Stop"), "Stopp");
}

TEST_F(TranslationTest, ZeroColumnsIsNoError)
{
    TTranslation t;
    EXPECT_TRUE(Load(t, "0\nwhatever\n", "de"));
    EXPECT_TRUE(t.LangTable().empty());
    EXPECT_EQ(t.LangIndex(), 0);
    EXPECT_EQ(t.LastError(), "");
    EXPECT_EQ(t.Translate("Scan"), "Scan");
}

TEST_F(TranslationTest, MissingFileFallsBackSilently)
{
    TTranslation t;
    const std::string missing = FDir / "nowhere/transl.dt";
    const std::vector<std::string> candidates{missing, FDir / "also-missing.dt"};
    EXPECT_FALSE(t.Load("de", std::nullopt, candidates));
    EXPECT_EQ(t.LastError(), "Cannot find translation file:" + missing);
    EXPECT_EQ(t.LangIndex(), 0);
    EXPECT_EQ(t.LangCode(), "de");
    EXPECT_TRUE(t.LangTable().empty());
    EXPECT_EQ(t.Translate("Scan"), "Scan");
    // A folder named transl.dt is not a file either.
    FDir.MakeDir("dir/transl.dt");
    const std::vector<std::string> folder{FDir / "dir/transl.dt"};
    EXPECT_FALSE(t.Load("de", std::nullopt, folder));
}

TEST_F(TranslationTest, LaterCandidateIsUsedWhenTheFirstIsMissing)
{
    TTranslation t;
    const std::vector<std::string> candidates{FDir / "missing.dt", Write("b.dt", kThreeColumns)};
    EXPECT_TRUE(t.Load("fr", std::nullopt, candidates));
    EXPECT_EQ(t.LoadedPath(), candidates[1]);
    EXPECT_EQ(t.Translate("Scan"), "Analyser");
}

TEST_F(TranslationTest, TooShortFileIsTreatedAsMissing)
{
    // Three columns need 7 lines for their names and codes; 6 are there.
    TTranslation t;
    EXPECT_FALSE(Load(t, "3\nEnglish\nDeutsch\nFr\nen\nde\n", "de"));
    EXPECT_TRUE(t.LangTable().empty()); // the language menu sees no nameless columns
    EXPECT_EQ(t.LangIndex(), 0);
    EXPECT_EQ(t.Translate("English"), "English");
    EXPECT_FALSE(t.LastError().empty());
    // Exactly 2 N + 1 lines: names and codes only, no texts.
    EXPECT_TRUE(Load(t, "3\nEnglish\nDeutsch\nFr\nen\nde\nfr", "de"));
    EXPECT_EQ(t.LangIndex(), 1);
    EXPECT_EQ(t.LangTable()[2].size(), 2u);
}

TEST_F(TranslationTest, BadColumnCount)
{
    for (const std::string_view bad :
         {"", "\n", "abc\nx\n", "-1\nx\ny\n", "3x\n", "1.5\n", "0x2\n", "99999999999\n"}) {
        TTranslation t;
        SCOPED_TRACE(std::string(bad));
        EXPECT_FALSE(Load(t, std::string(bad) + std::string(kThreeColumns.substr(2)), "de"));
        EXPECT_TRUE(t.LangTable().empty());
        EXPECT_EQ(t.LangIndex(), 0);
        EXPECT_EQ(t.Translate("Scan"), "Scan");
    }
    // Blanks around the count and a plus sign are tolerated.
    TTranslation t;
    EXPECT_TRUE(Load(t, " +3 " + std::string(kThreeColumns.substr(1)), "de"));
    EXPECT_EQ(t.Translate("Scan"), "Scannen");
}

// A file of `columns` languages coded c0, c1, ... with one text row.
std::string ColumnsFile(std::size_t columns)
{
    std::string names, codes, texts;
    for (std::size_t c = 0; c < columns; ++c) {
        names += "Language " + std::to_string(c) + "\n";
        codes += "c" + std::to_string(c) + "\n";
        texts += c == 0 ? "Scan\n" : "Scan " + std::to_string(c) + "\n";
    }
    return std::to_string(columns) + "\n" + names + codes + texts;
}

TEST_F(TranslationTest, OnlyARegularFileOfBoundedSizeAndColumnsIsRead)
{
    const std::string good = Write("good.dt", kThreeColumns);
    // Exactly the largest size: the padding is an incomplete last row, ignored.
    std::string largest(kThreeColumns);
    largest.resize(kMaxTranslationFileBytes, 'x');
    enum class Read
    {
        First,   // the file is read
        Next,    // treated as missing: the next candidate is read
        English, // a bad file: English, like a file whose count is not a number
    };
    struct Case
    {
        const char* What;
        std::function<std::string()> Make; // the first candidate; `good` is the second
        Read Outcome;
    };
    std::vector<Case> cases = {
        {"a folder", [&] { return FDir.MakeDir("folder.dt"); }, Read::Next},
        {"16 MiB", [&] { return Write("largest.dt", largest); }, Read::First},
        {"16 MiB and one byte", [&] { return Write("larger.dt", largest + "x"); }, Read::Next},
        {"1,000 columns", [&] { return Write("wide.dt", ColumnsFile(1000)); }, Read::First},
        {"1,001 columns", [&] { return Write("wider.dt", ColumnsFile(1001)); }, Read::English},
    };
    // Packagers may link the file; a FIFO and a device are in posix/TranslationFiles_test.
    std::string whyNoLinks;
    if (test::CanMakeLinks(whyNoLinks))
        cases.push_back({"a link to a regular file", [&] { return FDir.MakeLink(good, "link.dt"); },
                         Read::First});
    for (const Case& c : cases) {
        SCOPED_TRACE(c.What);
        const std::string first = c.Make();
        TTranslation t;
        const std::vector<std::string> candidates{first, good};
        const bool loaded = t.Load("c1", std::nullopt, candidates);
        EXPECT_EQ(loaded, c.Outcome != Read::English);
        EXPECT_EQ(t.LoadedPath(), c.Outcome == Read::First  ? first
                                  : c.Outcome == Read::Next ? good
                                                            : "");
        if (c.Outcome == Read::English) {
            EXPECT_TRUE(t.LangTable().empty());
            EXPECT_EQ(t.LangIndex(), 0);
        }
    }
}

TEST_F(TranslationTest, ReloadStartsFromScratch)
{
    TTranslation t;
    ASSERT_TRUE(Load(t, kThreeColumns, "de"));
    const std::vector<std::string> none;
    EXPECT_FALSE(t.Load("de", std::nullopt, none));
    EXPECT_TRUE(t.LangTable().empty());
    EXPECT_EQ(t.LangIndex(), 0);
    EXPECT_EQ(t.Translate("Scan"), "Scan");
}

TEST(SystemLanguageCode, PrimaryLanguageMapsToTheProgramsCodes)
{
    const std::pair<const char*, const char*> cases[] = {
        {"ar_EG.UTF-8", "ar"},
        {"zh_CN", "cn"},
        {"zh_TW.UTF-8", "cn"},
        {"zh-Hans", "cn"},
        {"cs_CZ", "cs"},
        {"de_DE.UTF-8", "de"},
        {"de_AT@euro", "de"},
        {"el_GR", "el"},
        {"es_ES", "es"},
        {"fr", "fr"},
        {"FR_fr", "fr"},
        {"hu_HU", "hu"},
        {"it_IT", "it"},
        {"ja_JP.UTF-8", "jp"},
        {"ko_KR.EUC-KR", "kr"},
        {"nl_NL", "nl"},
        {"pl_PL", "pl"},
        {"pt_BR.UTF-8", "pt"},
        {"tr_TR", "tr"},
        {"en_US.UTF-8", "en"},
        {"sv_SE", "en"},
        {"C", "en"},
        {"C.UTF-8", "en"},
        {"POSIX", "en"},
        {"", "en"},
        {"jp", "en"},
        {"kr_KR", "en"},
    };
    for (const auto& [locale, code] : cases)
        EXPECT_EQ(SystemLanguageCode(locale), code) << locale;
}

// The installed data folder comes first, found from the executable's own folder so that a
// moved prefix still works; beside the executable second, for the build tree.
TEST(TranslationFiles, CandidatesFollowTheExecutable)
{
    struct Case
    {
        std::string_view Exe;
        std::vector<std::string> Expected;
    };
    const Case linuxCases[] = {
        {"/usr/bin/harrowdale", {"/usr/share/harrowdale/transl.dt", "/usr/bin/transl.dt"}},
        {"/home/ann/.local/bin/harrowdale-scan",
         {"/home/ann/.local/share/harrowdale/transl.dt", "/home/ann/.local/bin/transl.dt"}},
        {"/work/build/tools/harrowdale-scan/harrowdale-scan",
         {"/work/build/tools/share/harrowdale/transl.dt",
          "/work/build/tools/harrowdale-scan/transl.dt"}},
        {"/harrowdale", {"/../share/harrowdale/transl.dt", "/transl.dt"}},
        {"harrowdale", {}},
        {"", {}},
    };
    // Windows: beside the program, as the program has always looked for it.
    const Case windowsCases[] = {
        {"C:\\Program Files\\Harrowdale\\harrowdale.exe",
         {"C:\\Program Files\\share\\harrowdale\\transl.dt",
          "C:\\Program Files\\Harrowdale\\transl.dt"}},
        {"C:\\harrowdale.exe", {"C:\\..\\share\\harrowdale\\transl.dt", "C:\\transl.dt"}},
        {"\\\\server\\apps\\hd\\harrowdale-scan.exe",
         {"\\\\server\\apps\\share\\harrowdale\\transl.dt", "\\\\server\\apps\\hd\\transl.dt"}},
        {"harrowdale.exe", {}},
    };
    for (const Case& c : test::OnWindows() ? std::span<const Case>(windowsCases)
                                           : std::span<const Case>(linuxCases))
        EXPECT_EQ(TranslationFileCandidates(c.Exe), c.Expected) << c.Exe;
}

// The process-wide instance with the user's language from the environment.
TEST_F(TranslationTest, ProcessWideLoadUsesTheUiLanguage)
{
    if (test::OnWindows())
        GTEST_SKIP() << "Windows takes the interface language from its settings, not LANGUAGE";
    const test::ScopedEnv language("LANGUAGE", "fr_FR.UTF-8:de");
    struct TRestore
    {
        ~TRestore()
        {
            const std::vector<std::string> none; // back to English for the other tests
            LoadTranslation(std::nullopt, none);
        }
    } restore;
    EXPECT_EQ(SystemLanguageCode(), "fr");
    const std::vector<std::string> candidates{Write("transl.dt", kThreeColumns)};
    ASSERT_TRUE(LoadTranslation(std::nullopt, candidates));
    EXPECT_EQ(Translate("Scan"), "Analyser");
    ASSERT_TRUE(LoadTranslation(std::string("de"), candidates));
    EXPECT_EQ(Translate("Scan"), "Scannen");
    EXPECT_EQ(&Translation(), &Translation());
    ASSERT_TRUE(Translation().SetLanguage(0));
    EXPECT_EQ(Translate("Scan"), "Scan");
}

} // namespace
} // namespace harrowdale
