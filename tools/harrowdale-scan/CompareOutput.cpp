#include "CompareOutput.h"

#include "Output.h"
#include "i18n/TextFormat.h"
#include "i18n/Translation.h"
#include "platform/Paths.h"
#include "ui/text/ChangeText.h"
#include "ui/text/DisplayFormat.h"
#include "ui/text/MeasureTexts.h"

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

namespace harrowdale::cli {

namespace {

/// The report's lists, in the order it shows them.
struct Lists
{
    std::vector<TCompareEntry> Grown, Shrunk;
    std::span<const TCompareEntry> New, Gone, Resized;
};

Lists MakeLists(const TScanComparison& c)
{
    // The root's change is the totals' change, said above the lists.
    Lists lists;
    for (const TCompareEntry& e : c.ChangedFolders())
        if (e.Folder->Parent() != nullptr && e.Change() > 0)
            lists.Grown.push_back(e);
    const auto folders = c.ChangedFolders();
    for (auto it = folders.rbegin(); it != folders.rend(); ++it)
        if (it->Folder->Parent() != nullptr && it->Change() < 0)
            lists.Shrunk.push_back(*it);
    lists.New = c.NewEntries();
    lists.Gone = c.GoneEntries();
    lists.Resized = c.ChangedFiles();
    return lists;
}

std::string TotalsText(const TDirNode& root)
{
    return FormatText(Translate("Total files: %d   Total size: %s"),
                      {root.TotalFiles(), FormatSize(root.TotalSize())});
}

std::string PathText(const TCompareEntry& e)
{
    // A folder ends in the separator, so that it reads apart from a file of its name.
    std::string path = TerminalText(e.FullPath());
    if (e.Folder != nullptr && !path.empty() && !platform::IsPathSeparator(path.back()))
        path += platform::PathSeparator();
    return path;
}

void WriteList(std::ostream& out, const std::string& title, std::span<const TCompareEntry> list,
               std::size_t listed)
{
    if (list.empty())
        return;
    out << "\n  " << title << "\n";
    const std::size_t n = std::min(listed, list.size());
    for (std::size_t i = 0; i < n; ++i) {
        const TCompareEntry& e = list[i];
        std::string change = FormatSignedSize(e.Change());
        change.insert(0, change.size() < 11 ? 11 - change.size() : 0, ' ');
        out << "  " << change << "  (" << FormatSize(e.OldSize) << " -> " << FormatSize(e.NewSize)
            << ")  " << PathText(e) << "\n";
    }
    if (const auto more = static_cast<std::int64_t>(list.size() - n); more > 0)
        out << "  " << std::string(11, ' ') << "  "
            << (more == 1 ? Translate("... and 1 more entry")
                          : FormatText(Translate("... and %d more entries"), {more}))
            << "\n";
}

void WriteJsonList(std::ostream& out, const char* key, std::span<const TCompareEntry> list,
                   std::size_t listed)
{
    out << "  \"" << key << "_count\": " << list.size() << ",\n  \"" << key << "\": [";
    const std::size_t n = std::min(listed, list.size());
    for (std::size_t i = 0; i < n; ++i) {
        const TCompareEntry& e = list[i];
        out << (i ? ",\n" : "\n") << "    {\"path\": " << JsonString(e.FullPath())
            << ", \"kind\": \"" << (e.Folder != nullptr ? "folder" : "file")
            << "\", \"old\": " << e.OldSize << ", \"new\": " << e.NewSize
            << ", \"change\": " << e.Change() << "}";
    }
    if (n > 0)
        out << "\n  ";
    out << "]";
}

void WriteJsonSide(std::ostream& out, const char* key, const TDirNode& root)
{
    out << "  \"" << key << "\": {\"files\": " << root.TotalFiles()
        << ", \"dirs\": " << root.TotalDirs() << ", \"bytes\": " << root.TotalSize() << "},\n";
}

} // namespace

void WriteCompareText(std::ostream& out, const CompareData& d)
{
    const TScanComparison& c = *d.Comparison;
    const TDirNode& older = *c.Older().Root();
    const TDirNode& newer = *c.Newer().Root();
    out << FormatText(Translate("Changes in %s"), {TerminalText(newer.FullPath())}) << "\n"
        << "  " << Translate("Before:") << " " << TotalsText(older) << "\n"
        << "  " << Translate("Now:") << " " << TotalsText(newer) << "\n"
        << "  " << Translate("Change:") << " "
        << FormatSignedSize(newer.TotalSize() - older.TotalSize()) << "\n"
        << SizeMeasureText(c.Newer()) << "\n"
        << HardLinkRuleText(c.Newer()) << "\n";
    const Lists lists = MakeLists(c);
    WriteList(out, Translate("Folders that grew most"), lists.Grown, d.Listed);
    WriteList(out, Translate("Folders that shrank most"), lists.Shrunk, d.Listed);
    WriteList(out, Translate("New files and folders"), lists.New, d.Listed);
    WriteList(out, Translate("Gone files and folders"), lists.Gone, d.Listed);
    WriteList(out, Translate("Files changed in size"), lists.Resized, d.Listed);
}

void WriteCompareJson(std::ostream& out, const CompareData& d)
{
    const TScanComparison& c = *d.Comparison;
    const TDirNode& older = *c.Older().Root();
    const TDirNode& newer = *c.Newer().Root();
    out << "{\n  \"root\": " << JsonString(newer.FullPath()) << ",\n";
    out << "  \"size_kind\": \""
        << (c.Newer().SizeKind() == TSizeKind::OnDisk ? "on_disk" : "apparent") << "\",\n";
    out << "  \"hard_links\": \"" << (c.Newer().HardLinks() == THardLinks::Each ? "each" : "once")
        << "\",\n";
    WriteJsonSide(out, "older", older);
    WriteJsonSide(out, "newer", newer);
    out << "  \"change\": " << newer.TotalSize() - older.TotalSize() << ",\n";
    const Lists lists = MakeLists(c);
    WriteJsonList(out, "grown_folders", lists.Grown, d.Listed);
    out << ",\n";
    WriteJsonList(out, "shrunk_folders", lists.Shrunk, d.Listed);
    out << ",\n";
    WriteJsonList(out, "new", lists.New, d.Listed);
    out << ",\n";
    WriteJsonList(out, "gone", lists.Gone, d.Listed);
    out << ",\n";
    WriteJsonList(out, "changed_files", lists.Resized, d.Listed);
    out << "\n}\n";
}

} // namespace harrowdale::cli
