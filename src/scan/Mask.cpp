#include "scan/Mask.h"

#include "platform/Casing.h"
#include "platform/Paths.h"
#include "platform/Utf8.h"

namespace harrowdale {

namespace {

std::vector<std::int32_t> CodePoints(std::string_view s)
{
    std::vector<std::int32_t> out;
    DecodeMaskText(s, out);
    return out;
}

[[noreturn]] void InvalidMask(std::string_view mask, std::size_t position, TMaskProblem problem)
{
    throw EMaskException(std::string(mask), position, problem);
}

std::string EnglishMaskError(const std::string& mask, std::size_t position, TMaskProblem problem)
{
    // Filled by hand: the scanner does not depend on the formatter of the display texts.
    std::string text = MaskProblemTemplate(problem);
    text.replace(text.find("%s"), 2, mask);
    text.replace(text.find("%d"), 2, std::to_string(position));
    return text;
}

} // namespace

EMaskException::EMaskException(std::string mask, std::size_t position, TMaskProblem problem)
    : std::runtime_error(EnglishMaskError(mask, position, problem)), FMask(std::move(mask)),
      FPosition(position), FProblem(problem)
{
}

const char* MaskProblemTemplate(TMaskProblem problem)
{
    switch (problem) {
    case TMaskProblem::UnclosedSet:
        return "The mask \"%s\" is not valid: the \"[\" at character %d is never closed.";
    case TMaskProblem::EmptySet:
        return "The mask \"%s\" is not valid: the set at character %d is empty.";
    case TMaskProblem::RangeWithoutStart:
        return "The mask \"%s\" is not valid: the range at character %d has no start.";
    }
    return "";
}

TMask::TMask(std::string_view mask)
{
    const std::vector<std::int32_t> cps = CodePoints(mask);
    const std::size_t n = cps.size();
    std::size_t i = 0;
    while (i < n) {
        const std::int32_t c = cps[i];
        if (c == '*') {
            if (FElements.empty() || FElements.back().Kind != Op::Star)
                FElements.push_back({Op::Star});
            ++i;
        } else if (c == '?') {
            FElements.push_back({Op::Any});
            ++i;
        } else if (c == '[') {
            const std::size_t open = i + 1;
            ++i;
            Element e{Op::Set};
            if (i < n && cps[i] == '!') {
                e.Negate = true;
                ++i;
            }
            e.SetStart = static_cast<std::uint32_t>(FRanges.size());
            std::int32_t last = -1;
            while (i < n && cps[i] != ']') {
                if (cps[i] == '-') {
                    if (last < 0) // a range needs a start
                        InvalidMask(mask, i + 1, TMaskProblem::RangeWithoutStart);
                    ++i;
                    if (i >= n)
                        break; // unclosed, reported below
                    // The range end is taken as written, even a ']': "[a-]" stays open.
                    FRanges.emplace_back(last, cps[i]);
                } else {
                    last = cps[i];
                    FRanges.emplace_back(last, last);
                }
                ++i;
            }
            e.SetCount = static_cast<std::uint32_t>(FRanges.size()) - e.SetStart;
            if (i >= n)
                InvalidMask(mask, open, TMaskProblem::UnclosedSet);
            if (e.SetCount == 0)
                InvalidMask(mask, open, TMaskProblem::EmptySet);
            ++i; // past ']'
            FElements.push_back(e);
        } else {
            Element e{Op::Literal};
            e.Char = c;
            FElements.push_back(e);
            ++i;
        }
    }
}

bool TMask::InSet(const Element& e, std::int32_t c) const
{
    bool found = false;
    for (std::uint32_t k = 0; k < e.SetCount && !found; ++k) {
        const auto& [lo, hi] = FRanges[e.SetStart + k];
        found = c >= lo && c <= hi;
    }
    return found != e.Negate;
}

void DecodeMaskText(std::string_view s, std::vector<std::int32_t>& out)
{
    out.reserve(out.size() + s.size());
    std::size_t pos = 0;
    while (pos < s.size()) {
        const std::size_t start = pos;
        const std::int32_t cp = platform::DecodeWtf8(s, pos);
        out.push_back(cp < 0 ? 0x110000 + static_cast<unsigned char>(s[start]) : cp);
    }
}

bool TMask::Matches(std::string_view textBytes) const
{
    return Matches(CodePoints(textBytes));
}

bool TMask::Matches(std::span<const std::int32_t> text) const
{
    // Most masks begin or end with a plain character ("*.tmp"): with thousands of masks,
    // checking that one character first turns most of them away at once.
    if (!FElements.empty()) {
        const Element& last = FElements.back();
        if (last.Kind == Op::Literal && (text.empty() || text.back() != last.Char))
            return false;
        const Element& first = FElements.front();
        if (first.Kind == Op::Literal && (text.empty() || text.front() != first.Char))
            return false;
    }
    // Classic wildcard match: on a mismatch, retry from the last '*' one character later.
    std::size_t t = 0, p = 0;
    std::size_t starP = SIZE_MAX, starT = 0;
    const std::size_t np = FElements.size();
    while (t < text.size()) {
        if (p < np) {
            const Element& e = FElements[p];
            if (e.Kind == Op::Star) {
                starP = p++;
                starT = t;
                continue;
            }
            const bool ok = e.Kind == Op::Any || (e.Kind == Op::Literal && e.Char == text[t]) ||
                            (e.Kind == Op::Set && InSet(e, text[t]));
            if (ok) {
                ++p;
                ++t;
                continue;
            }
        }
        if (starP == SIZE_MAX)
            return false;
        p = starP + 1;
        t = ++starT;
    }
    while (p < np && FElements[p].Kind == Op::Star)
        ++p;
    return p == np;
}

TMaskSet::TMaskSet(const std::vector<std::string>& masks)
{
    FMasks.reserve(masks.size());
    for (const std::string& m : masks) {
        const std::string upper = platform::UpperCase(m);
        if (upper.empty())
            continue;
        Entry e;
        try {
            e.Mask.emplace(upper);
        } catch (const EMaskException& error) {
            // Named as the user wrote it: upper-casing keeps every bracket where it was,
            // so the mask as given fails the same way.
            e.Error = error;
            try {
                TMask typed(m);
            } catch (const EMaskException& asGiven) {
                e.Error = asGiven;
            }
        }
        FMasks.push_back(std::move(e));
    }
}

bool TMaskSet::Matches(std::string_view name, std::string_view folderPath)
{
    if (FMasks.empty())
        return false;
    if (FPrefix.empty() || folderPath != FFolder) {
        FFolder.assign(folderPath);
        FPrefix.clear();
        DecodeMaskText(platform::UpperCase(folderPath), FPrefix);
        const bool endsWithSeparator = !FPrefix.empty() && FPrefix.back() < 0x80 &&
                                       platform::IsPathSeparator(static_cast<char>(FPrefix.back()));
        if (!endsWithSeparator)
            FPrefix.push_back(platform::PathSeparator());
    }
    FName.clear();
    DecodeMaskText(platform::UpperCase(name), FName);
    FPath.assign(FPrefix.begin(), FPrefix.end());
    FPath.insert(FPath.end(), FName.begin(), FName.end());
    for (const Entry& e : FMasks) {
        if (!e.Mask)
            throw *e.Error;
        if (e.Mask->Matches(FName) || e.Mask->Matches(FPath))
            return true;
    }
    return false;
}

std::string_view Trim(std::string_view s)
{
    auto blank = [](char c) {
        return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f' ||
               (static_cast<unsigned char>(c) < 0x20 && c != '\0');
    };
    while (!s.empty() && blank(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && blank(s.back()))
        s.remove_suffix(1);
    return s;
}

std::vector<std::string> SplitMasks(std::string_view pattern)
{
    std::vector<std::string> masks;
    std::size_t start = 0;
    while (start <= pattern.size()) {
        std::size_t end = pattern.find(';', start);
        if (end == std::string_view::npos)
            end = pattern.size();
        const std::string_view piece = Trim(pattern.substr(start, end - start));
        if (!piece.empty())
            masks.emplace_back(piece);
        start = end + 1;
    }
    return masks;
}

} // namespace harrowdale
