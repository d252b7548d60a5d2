#include "Output.h"

#include "i18n/TextFormat.h"
#include "i18n/Translation.h"
#include "platform/Utf8.h"
#include "ui/text/DisplayFormat.h"
#include "ui/text/DupGroupText.h"
#include "ui/text/MeasureTexts.h"

#include <algorithm>
#include <cstdio>

namespace harrowdale::cli {

namespace {

std::string Folder(const TFileLeaf& f)
{
    return f.Parent()->FullPath();
}

std::string Pad(const std::string& s, std::size_t width, bool right = false)
{
    // Width in code points, which is close enough for a plain-text table.
    std::size_t cps = 0;
    for (const char c : s)
        cps += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    if (cps >= width)
        return s;
    const std::string fill(width - cps, ' ');
    return right ? fill + s : s + fill;
}

std::string DateText(const TFileLeaf& f)
{
    return FormatDateText(f.GetModifiedDateTime());
}

bool OnDisk(const TDirNode* root)
{
    return root != nullptr && root->Tree()->SizeKind() == TSizeKind::OnDisk;
}

bool EveryLink(const TDirNode* root)
{
    return root != nullptr && root->Tree()->HardLinks() == THardLinks::Each;
}

} // namespace

std::string TerminalText(std::string_view bytes)
{
    return VisiblePathText(bytes);
}

UnreadableFolders FindUnreadableFolders(const TDirNode* root)
{
    UnreadableFolders found;
    std::vector<const TDirNode*> stack;
    if (root != nullptr)
        stack.push_back(root);
    while (!stack.empty()) { // no recursion: trees can be deeper than the stack
        const TDirNode* d = stack.back();
        stack.pop_back();
        if (d->ReadError() && found.Count++ < static_cast<std::int64_t>(kMaxListedPaths))
            found.First.push_back(d->FullPath());
        const auto children = d->Children();
        for (auto it = children.rbegin(); it != children.rend(); ++it)
            stack.push_back(*it);
    }
    return found;
}

std::string UnreadableText(const UnreadableFolders& folders, std::string_view indent)
{
    if (folders.Count == 0)
        return {};
    std::string text = folders.Count == 1 ? Translate("1 folder could not be read:")
                                          : FormatText(Translate("%d folders could not be read:"),
                                                       {folders.Count});
    text += "\n";
    for (const std::string& path : folders.First)
        text.append(indent).append(TerminalText(path)).append("\n");
    const auto more = folders.Count - static_cast<std::int64_t>(folders.First.size());
    if (more > 0)
        text.append(indent)
            .append(more == 1 ? Translate("... and 1 more folder")
                              : FormatText(Translate("... and %d more folders"), {more}))
            .append("\n");
    return text;
}

std::string JsonString(std::string_view s)
{
    std::string out;
    out.reserve(s.size() + 2);
    out.push_back('"');
    std::size_t pos = 0;
    char buf[8];
    while (pos < s.size()) {
        const auto c = static_cast<unsigned char>(s[pos]);
        if (c < 0x80) {
            switch (c) {
            case '"':
                out += "\\\"";
                break;
            case '\\':
                out += "\\\\";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\r':
                out += "\\r";
                break;
            case '\t':
                out += "\\t";
                break;
            default:
                if (c < 0x20 || c == 0x7F) {
                    std::snprintf(buf, sizeof buf, "\\u%04x", c);
                    out += buf;
                } else {
                    out.push_back(static_cast<char>(c));
                }
            }
            ++pos;
            continue;
        }
        const std::size_t start = pos;
        if (platform::DecodeUtf8(s, pos) < 0) {
            std::snprintf(buf, sizeof buf, "\\udc%02x", c);
            out += buf;
        } else {
            out.append(s.substr(start, pos - start));
        }
    }
    out.push_back('"');
    return out;
}

void WriteText(std::ostream& out, const ReportData& d)
{
    const std::int64_t total = d.AllFiles.TotalBytes;
    out << FormatText(Translate("Done. Total files: %d   Total size: %s"),
                      {static_cast<std::int64_t>(d.AllFiles.Files.size()), FormatSize(total)})
        << "\n";
    if (d.Root == nullptr)
        return;
    const TScanTree& tree = *d.Root->Tree();
    out << SizeMeasureText(tree) << "\n" << HardLinkRuleText(tree) << "\n";
    if (const std::string why = MeasureFallbackText(tree); !why.empty())
        out << why << "\n";
    out << UnreadableText(d.Unreadable, "      ");

    out << "\n  " << Pad(Translate("Extension"), 14) << Pad(Translate("Bytes"), 12, true)
        << Pad(Translate("Percentage"), 12, true) << Pad(Translate("Files"), 8, true) << "\n";
    for (const TExtStatPair& p : d.Root->ExtStats().ToSortedArrayByBytesDesc())
        out << "  " << Pad(TerminalText(p.Ext), 14) << Pad(FormatSize(p.Bytes), 12, true)
            << Pad(FormatPercent(p.Bytes, total), 12, true) << Pad(std::to_string(p.Files), 8, true)
            << "\n";

    const std::size_t n = std::min(d.Largest, d.AllFiles.Files.size());
    if (n > 0) {
        out << "\n  " << Pad(Translate("Size"), 10, true) << Pad(Translate("Percentage"), 12, true)
            << "  " << Pad(Translate("Modified"), 16) << "  " << Translate("Name") << "  ("
            << Translate("Folder") << ")\n";
        for (std::size_t i = 0; i < n; ++i) {
            const TFileLeaf& f = *d.AllFiles.Files[i];
            out << "  " << Pad(FormatSize(f.Size()), 10, true)
                << Pad(FormatPercent(f.Size(), total), 12, true) << "  " << Pad(DateText(f), 16)
                << "  " << TerminalText(f.Name()) << "  (" << TerminalText(Folder(f)) << ")\n";
        }
    }

    if (d.ByContent)
        out << "\n"
            << FormatText(Translate("Contents compared: %s of %s read, files of equal length: "
                                    "%d, unreadable files: %d"),
                          {FormatSize(d.Content.BytesRead), FormatSize(d.Content.CandidateBytes),
                           d.Content.Candidates, d.Content.Unreadable})
            << "\n";
    const std::size_t g = std::min(d.DuplicateGroups, d.Duplicates.Groups.size());
    if (g > 0) {
        out << "\n  "
            << (d.ByContent ? Translate("Duplicates: same content") : Translate("Duplicates"))
            << "\n";
        for (std::size_t i = 0; i < g; ++i) {
            const TDupGroup& grp = *d.Duplicates.Groups[i];
            out << "  " << DupGroupName(grp) << "  (" << grp.Files.size() << " x "
                << FormatSize(grp.Size) << ")\n";
            const std::size_t listed = std::min(grp.Files.size(), kMaxListedPaths);
            for (std::size_t k = 0; k < listed; ++k)
                out << "      " << TerminalText(grp.Files[k]->FullPath()) << "\n";
            if (const auto more = static_cast<std::int64_t>(grp.Files.size() - listed); more > 0)
                out << "      "
                    << (more == 1 ? Translate("... and 1 more file")
                                  : FormatText(Translate("... and %d more files"), {more}))
                    << "\n";
        }
    }
}

void WriteJson(std::ostream& out, const ReportData& d)
{
    const TDirNode* r = d.Root;
    out << "{\n  \"root\": " << JsonString(r ? r->FullPath() : std::string()) << ",\n";
    out << "  \"files\": " << (r ? r->TotalFiles() : 0) << ",\n";
    out << "  \"dirs\": " << (r ? r->TotalDirs() : 0) << ",\n";
    out << "  \"bytes\": " << (r ? r->TotalSize() : 0) << ",\n";
    out << "  \"met_bytes\": " << d.MetBytes << ",\n";
    out << "  \"size_kind\": \"" << (OnDisk(r) ? "on_disk" : "apparent") << "\",\n";
    out << "  \"hard_links\": \"" << (EveryLink(r) ? "each" : "once") << "\",\n";
    out << "  \"unreadable_dirs\": " << d.Unreadable.Count << ",\n";
    out << "  \"unreadable_dir_paths\": [";
    for (std::size_t i = 0; i < d.Unreadable.First.size(); ++i)
        out << (i ? ", " : "") << JsonString(d.Unreadable.First[i]);
    out << "],\n";
    out << "  \"extensions\": [";
    if (r != nullptr) {
        bool first = true;
        for (const TExtStatPair& p : r->ExtStats().ToSortedArrayByBytesDesc()) {
            out << (first ? "\n" : ",\n") << "    {\"ext\": " << JsonString(p.Ext)
                << ", \"bytes\": " << p.Bytes << ", \"files\": " << p.Files << "}";
            first = false;
        }
        if (!first)
            out << "\n  ";
    }
    out << "],\n  \"largest\": [";
    const std::size_t n = std::min(d.Largest, d.AllFiles.Files.size());
    for (std::size_t i = 0; i < n; ++i) {
        const TFileLeaf& f = *d.AllFiles.Files[i];
        out << (i ? ",\n" : "\n") << "    {\"path\": " << JsonString(f.FullPath())
            << ", \"size\": " << f.Size() << ", \"modified\": " << JsonString(DateText(f)) << "}";
    }
    if (n > 0)
        out << "\n  ";
    out << "],\n  \"duplicates_by\": \"" << (d.ByContent ? "content" : "name") << "\",\n";
    if (d.ByContent)
        out << "  \"content\": {\"candidates\": " << d.Content.Candidates
            << ", \"candidate_bytes\": " << d.Content.CandidateBytes
            << ", \"bytes_read\": " << d.Content.BytesRead
            << ", \"unreadable\": " << d.Content.Unreadable << "},\n";
    out << "  \"duplicate_groups\": " << d.Duplicates.Groups.size() << ",\n";
    out << "  \"duplicates\": [";
    const std::size_t g = std::min(d.DuplicateGroups, d.Duplicates.Groups.size());
    for (std::size_t i = 0; i < g; ++i) {
        const TDupGroup& grp = *d.Duplicates.Groups[i];
        out << (i ? ",\n" : "\n") << "    {\"name\": " << JsonString(grp.FileName)
            << ", \"size\": " << grp.Size;
        if (grp.Scans != 0)
            out << ", \"scans\": " << grp.Scans;
        out << ", \"files\": [";
        for (std::size_t k = 0; k < std::min(grp.Files.size(), kMaxListedPaths); ++k)
            out << (k ? ", " : "") << JsonString(grp.Files[k]->FullPath());
        out << "], \"file_count\": " << grp.Files.size() << "}";
    }
    if (g > 0)
        out << "\n  ";
    out << "]\n}\n";
}

} // namespace harrowdale::cli
