#include "views/FindQuery.h"

#include "platform/Casing.h"
#include "platform/Utf8.h"

#include <algorithm>
#include <charconv>
#include <cmath>

namespace harrowdale {

namespace {

// Entries walked between two looks at the stop flag and two hand-overs of what was found:
// a few hundred microseconds of walking.
constexpr std::size_t kWalkStep = 4096;

void UpperDecode(std::string_view text, std::vector<std::int32_t>& out)
{
    out.clear();
    // Most names are ASCII: folded here without the full mapping's allocation.
    if (platform::IsAscii(text)) {
        for (const char c : text)
            out.push_back(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : static_cast<unsigned char>(c));
        return;
    }
    DecodeMaskText(platform::UpperCase(text), out);
}

} // namespace

bool TFindCriteria::Narrows() const
{
    return !Trim(Name).empty() || MinSize || MaxSize || ChangedFrom || ChangedBefore;
}

TFindQuery::TFindQuery(const TFindCriteria& criteria) : FCriteria(criteria)
{
    const std::string_view name = Trim(FCriteria.Name);
    if (FCriteria.Kind == TFindNameKind::Text) {
        UpperDecode(name, FText);
        return;
    }
    for (const std::string& mask : SplitMasks(name)) {
        TMask asTyped(mask); // a malformed one is named as the user wrote it
        FMasks.emplace_back(platform::UpperCase(mask));
    }
}

void TFindQuery::Decode(std::string_view name)
{
    UpperDecode(name, FName);
}

bool TFindQuery::NameMatches(std::string_view name)
{
    if (FCriteria.Kind == TFindNameKind::Text) {
        if (FText.empty())
            return true;
        if (name.size() < FText.size())
            return false; // a code point takes at least one byte
        Decode(name);
        return std::search(FName.begin(), FName.end(), FText.begin(), FText.end()) != FName.end();
    }
    if (FMasks.empty())
        return true;
    Decode(name);
    return std::any_of(FMasks.begin(), FMasks.end(),
                       [&](const TMask& m) { return m.Matches(std::span(FName)); });
}

bool TFindQuery::SizePasses(std::int64_t size) const
{
    return (!FCriteria.MinSize || size >= *FCriteria.MinSize) &&
           (!FCriteria.MaxSize || size <= *FCriteria.MaxSize);
}

bool TFindQuery::Matches(const TFileLeaf& file)
{
    if (!FCriteria.Files || !SizePasses(file.Size()))
        return false;
    if (FCriteria.ChangedFrom || FCriteria.ChangedBefore) {
        const std::int64_t t = file.ModifiedFT();
        if (t <= 0 || (FCriteria.ChangedFrom && t < *FCriteria.ChangedFrom) ||
            (FCriteria.ChangedBefore && t >= *FCriteria.ChangedBefore))
            return false;
    }
    return NameMatches(file.Name());
}

bool TFindQuery::Matches(const TDirNode& folder)
{
    return FCriteria.Folders && !FCriteria.ChangedFrom && !FCriteria.ChangedBefore &&
           !folder.IsSyntheticRoot() && SizePasses(folder.TotalSize()) &&
           NameMatches(folder.Name());
}

TFindTotals FindEntries(const TDirNode* root, TFindQuery& query, const std::atomic<bool>& stop,
                        const TFindSink& sink)
{
    TFindTotals totals;
    if (root == nullptr)
        return totals;
    std::vector<TEntryRef> found;
    std::int64_t foundBytes = 0;
    std::size_t walked = 0;
    // Hands over what was found; false once the walk is to stop.
    auto step = [&](std::size_t entries) {
        walked += entries;
        if (walked < kWalkStep)
            return true;
        walked = 0;
        if (!found.empty()) {
            sink(found, foundBytes);
            found.clear();
            foundBytes = 0;
        }
        return !stop.load(std::memory_order_relaxed);
    };
    auto add = [&](TEntryRef e, std::int64_t bytes, bool counted) {
        found.push_back(e);
        ++totals.Matches;
        if (!counted) {
            foundBytes += bytes;
            totals.Bytes += bytes;
        }
    };
    // Depth first without recursion: trees may nest folders deeper than a stack would.
    // Each folder carries whether a folder above it matched (its bytes are counted there).
    std::vector<std::pair<const TDirNode*, bool>> pending{{root, false}};
    while (!pending.empty()) {
        auto [folder, counted] = pending.back();
        pending.pop_back();
        if (query.Matches(*folder)) {
            add(TEntryRef(folder), folder->TotalSize(), counted);
            counted = true;
        }
        for (const TFileLeaf& f : folder->Leaves())
            if (query.Matches(f))
                add(TEntryRef(&f), f.Size(), counted);
        const auto children = folder->Children();
        for (auto it = children.rbegin(); it != children.rend(); ++it)
            pending.emplace_back(*it, counted);
        if (!step(1 + folder->Leaves().size())) {
            totals.Stopped = true;
            return totals;
        }
    }
    if (!found.empty())
        sink(found, foundBytes);
    return totals;
}

std::optional<std::int64_t> ParseSizeText(std::string_view text)
{
    text = Trim(text);
    std::size_t i = 0;
    std::string number;
    bool digits = false, separator = false;
    for (; i < text.size(); ++i) {
        const char c = text[i];
        if (c >= '0' && c <= '9') {
            number += c;
            digits = true;
        } else if ((c == '.' || c == ',') && !separator) {
            number += '.';
            separator = true;
        } else {
            break;
        }
    }
    if (!digits)
        return std::nullopt;
    std::string_view unit = Trim(text.substr(i));
    static constexpr std::string_view kUnits = "BKMGT";
    double scale = 1;
    if (!unit.empty()) {
        const auto upper = [](char c) { return c >= 'a' && c <= 'z' ? char(c - 'a' + 'A') : c; };
        const std::size_t power = kUnits.find(upper(unit[0]));
        const bool longForm = unit.size() == 2 && power > 0 && upper(unit[1]) == 'B';
        if (power == std::string_view::npos || (unit.size() > 1 && !longForm))
            return std::nullopt;
        scale = std::pow(1024.0, static_cast<double>(power));
    }
    // from_chars reads the same whatever the locale says of decimal points.
    double value = 0;
    std::from_chars(number.data(), number.data() + number.size(), value);
    const double bytes = value * scale;
    if (!(bytes < 9.2e18))
        return std::nullopt;
    return static_cast<std::int64_t>(std::llround(bytes));
}

} // namespace harrowdale
