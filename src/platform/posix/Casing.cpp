#include "platform/Casing.h"

#include "platform/CaseRuns.h"
#include "platform/Utf8.h"

#include <cstdlib>
#include <unicode/uchar.h>
#include <unicode/ustring.h>
#include <vector>

namespace harrowdale::platform {

namespace {

std::string DetectCasingLocale()
{
    const char* vars[] = {"LC_ALL", "LC_CTYPE", "LANG"};
    for (const char* v : vars) {
        const char* value = std::getenv(v);
        if (value == nullptr || *value == '\0')
            continue;
        std::string id(value);
        const auto cut = id.find_first_of(".@");
        if (cut != std::string::npos)
            id.resize(cut);
        if (id == "C" || id == "POSIX")
            return {};
        return id;
    }
    return {};
}

const std::string& Locale()
{
    static const std::string locale = DetectCasingLocale();
    return locale;
}

} // namespace

bool detail::AsciiLowerIsPlain()
{
    static const bool plain = [] {
        const std::string lang = Locale().substr(0, Locale().find('_'));
        return lang != "tr" && lang != "az";
    }();
    return plain;
}

void detail::AppendLowerRun(std::string_view run, std::string& out)
{
    std::vector<UChar> src;
    src.reserve(run.size());
    ForEachUtf16Unit(run, [&](char16_t u) { src.push_back(u); });
    std::vector<UChar> dst(src.size() * 3 + 4);
    UErrorCode err = U_ZERO_ERROR;
    int32_t n = u_strToLower(dst.data(), static_cast<int32_t>(dst.size()), src.data(),
                             static_cast<int32_t>(src.size()), Locale().c_str(), &err);
    if (err == U_BUFFER_OVERFLOW_ERROR) {
        dst.resize(static_cast<std::size_t>(n) + 1);
        err = U_ZERO_ERROR;
        n = u_strToLower(dst.data(), static_cast<int32_t>(dst.size()), src.data(),
                         static_cast<int32_t>(src.size()), Locale().c_str(), &err);
    }
    if (U_FAILURE(err)) {
        out.append(run);
        return;
    }
    for (int32_t i = 0; i < n;) {
        UChar32 cp;
        U16_NEXT(dst.data(), i, n, cp);
        AppendUtf8(out, static_cast<char32_t>(cp));
    }
}

std::string CasingLocale()
{
    return Locale();
}

std::string UpperCase(std::string_view s)
{
    std::string out;
    out.reserve(s.size());
    std::size_t pos = 0;
    while (pos < s.size()) {
        const auto c = static_cast<unsigned char>(s[pos]);
        if (c < 0x80) {
            out.push_back(c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : static_cast<char>(c));
            ++pos;
            continue;
        }
        const std::size_t start = pos;
        const std::int32_t cp = DecodeUtf8(s, pos);
        if (cp < 0)
            out.append(s.substr(start, pos - start));
        else
            AppendUtf8(out, static_cast<char32_t>(u_toupper(cp)));
    }
    return out;
}

} // namespace harrowdale::platform
