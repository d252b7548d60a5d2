#include "exchange/ExchangeReader.h"

#include "platform/FileSystem.h"
#include "platform/PathForms.h"
#include "platform/Paths.h"
#include "platform/Utf8.h"

#include <charconv>
#include <cstring>
#include <limits>
#include <optional>

namespace harrowdale {

namespace {

constexpr std::size_t kBufferBytes = 256 * 1024;
constexpr std::size_t kMaxKeyBytes = 256;
constexpr std::size_t kMaxNumberChars = 40;
constexpr std::size_t kMaxMetaTextBytes = 1024;
constexpr std::int64_t kEpochDeltaSeconds = 11644473600; // 1601-01-01 to 1970-01-01

bool IsSpace(int c)
{
    return c == ' ' || c == '\n' || c == '\r' || c == '\t';
}

bool IsNumberChar(int c)
{
    return (c >= '0' && c <= '9') || c == '-' || c == '+' || c == '.' || c == 'e' || c == 'E';
}

} // namespace

class TExchangeReader::Impl
{
public:
    explicit Impl(TByteSource& source) : FSource(source), FBuf(new char[kBufferBytes]) {}

    void Read(TExchangeEvents& events);
    std::uint64_t Offset() const { return FBase + FPos; }

private:
    // --- bytes ---
    bool Fill()
    {
        FBase += FEnd;
        FPos = 0;
        FEnd = FSource.Read(FBuf.get(), kBufferBytes);
        return FEnd > 0;
    }
    int Peek()
    {
        if (FPos == FEnd && !Fill())
            return -1;
        return static_cast<unsigned char>(FBuf[FPos]);
    }
    int Get()
    {
        const int c = Peek();
        if (c >= 0)
            ++FPos;
        return c;
    }
    void SkipSpace()
    {
        while (IsSpace(Peek()))
            ++FPos;
    }

    [[noreturn]] void Fail(const std::string& what) const
    {
        throw EExchangeError(what + " (at byte " + std::to_string(Offset()) + ")");
    }
    /// For a value of the wrong kind: at the end of the input it is the end that is wrong.
    [[noreturn]] void FailValue(const std::string& what)
    {
        if (Peek() < 0)
            Unexpected(-1, "");
        Fail(what);
    }
    [[noreturn]] void Unexpected(int c, const char* expected) const
    {
        if (c < 0)
            throw EExchangeError("the file ends too early (truncated?)");
        char found[16];
        if (c >= 0x21 && c < 0x7F)
            std::snprintf(found, sizeof found, "'%c'", c);
        else
            std::snprintf(found, sizeof found, "byte 0x%02X", c);
        Fail(std::string("expected ") + expected + ", found " + found);
    }
    void Expect(char want, const char* expected)
    {
        SkipSpace();
        const int c = Get();
        if (c != static_cast<unsigned char>(want))
            Unexpected(c, expected);
    }

    // --- values ---
    void ReadString(std::string* out, std::size_t max, const char* what);
    std::string_view ReadNumberText(const std::string& key);
    std::int64_t ReadSize(const std::string& key);
    std::uint64_t ReadUnsigned(const std::string& key,
                               std::uint64_t max = std::numeric_limits<std::uint64_t>::max(),
                               const char* maxText = "2^64-1");
    std::int64_t ReadModified();
    bool ReadBool(const std::string& key);
    int ReadVersion(const char* what);
    void SkipValue();
    void ReadMetadata(TExchangeMeta& meta);
    void ReadInfo(TExchangeEntry& e, bool root);
    void CheckName(bool root);

    TByteSource& FSource;
    std::unique_ptr<char[]> FBuf;
    std::uint64_t FBase = 0; ///< offset of FBuf[0] in the stream
    std::size_t FPos = 0;
    std::size_t FEnd = 0;
    std::string FKey;
    std::string FName;
    std::string FText;
    std::string FClosers; ///< open containers of a value being skipped
    /// The path form of the root, which the separators in names follow.
    platform::PathStyle FStyle = platform::NativePathStyle();
    char FNumber[kMaxNumberChars];
};

void TExchangeReader::Impl::ReadString(std::string* out, std::size_t max, const char* what)
{
    if (Peek() != '"')
        FailValue(std::string(what) + " is not a string");
    ++FPos;
    if (out != nullptr)
        out->clear();
    std::string discard;
    std::string& s = out != nullptr ? *out : discard;
    std::int32_t high = -1; // a high surrogate waiting for its low half
    auto flushHigh = [&] {
        if (high >= 0)
            platform::AppendUtf8(s,
                                 static_cast<char32_t>(high)); // a lone surrogate keeps its 3 bytes
        high = -1;
    };
    for (;;) {
        if (FPos == FEnd && !Fill())
            Unexpected(-1, "");
        const std::size_t start = FPos;
        while (FPos < FEnd) {
            const auto c = static_cast<unsigned char>(FBuf[FPos]);
            if (c == '"' || c == '\\' || c < 0x20)
                break;
            ++FPos;
        }
        if (FPos > start) {
            flushHigh();
            s.append(FBuf.get() + start, FPos - start);
        }
        if (out == nullptr)
            s.clear();
        else if (s.size() > max)
            Fail(std::string(what) + " is longer than " + std::to_string(max) + " bytes");
        if (FPos == FEnd)
            continue;
        const auto c = static_cast<unsigned char>(FBuf[FPos++]);
        if (c == '"') {
            flushHigh();
            if (out != nullptr && s.size() > max)
                Fail(std::string(what) + " is longer than " + std::to_string(max) + " bytes");
            return;
        }
        if (c != '\\')
            Fail(std::string("a control byte inside ") + what);
        const int e = Get();
        char plain = 0;
        switch (e) {
        case '"':
        case '\\':
        case '/':
            plain = static_cast<char>(e);
            break;
        case 'b':
            plain = '\b';
            break;
        case 'f':
            plain = '\f';
            break;
        case 'n':
            plain = '\n';
            break;
        case 'r':
            plain = '\r';
            break;
        case 't':
            plain = '\t';
            break;
        case 'u':
            break;
        default:
            if (e < 0)
                Unexpected(e, "");
            Fail(std::string("an unknown escape inside ") + what);
        }
        if (e != 'u') {
            flushHigh();
            s.push_back(plain);
            continue;
        }
        std::uint32_t unit = 0;
        for (int i = 0; i < 4; ++i) {
            const int h = Get();
            unit <<= 4;
            if (h >= '0' && h <= '9')
                unit |= static_cast<std::uint32_t>(h - '0');
            else if (h >= 'a' && h <= 'f')
                unit |= static_cast<std::uint32_t>(h - 'a' + 10);
            else if (h >= 'A' && h <= 'F')
                unit |= static_cast<std::uint32_t>(h - 'A' + 10);
            else if (h < 0)
                Unexpected(h, "");
            else
                Fail(std::string("a bad \\u escape inside ") + what);
        }
        if (high >= 0 && unit >= 0xDC00 && unit <= 0xDFFF) {
            platform::AppendUtf8(s, 0x10000 + ((static_cast<char32_t>(high) - 0xD800) << 10) +
                                        (unit - 0xDC00));
            high = -1;
            continue;
        }
        flushHigh();
        if (unit >= 0xD800 && unit <= 0xDBFF)
            high = static_cast<std::int32_t>(unit);
        else if (unit >= 0xDC80 && unit <= 0xDCFF)
            s.push_back(static_cast<char>(unit & 0xFF)); // a surrogate-escaped raw byte
        else
            platform::AppendUtf8(s, unit);
    }
}

std::string_view TExchangeReader::Impl::ReadNumberText(const std::string& key)
{
    std::size_t n = 0;
    while (IsNumberChar(Peek())) {
        if (n == kMaxNumberChars)
            Fail(key + " is a number longer than " + std::to_string(kMaxNumberChars) +
                 " characters");
        FNumber[n++] = FBuf[FPos++];
    }
    if (n == 0)
        FailValue(key + " is not a number");
    return {FNumber, n};
}

std::uint64_t TExchangeReader::Impl::ReadUnsigned(const std::string& key, std::uint64_t max,
                                                  const char* maxText)
{
    const std::string_view t = ReadNumberText(key);
    if (t[0] == '-')
        Fail(key + " is negative");
    if (t.find_first_of(".eE+") != std::string_view::npos)
        Fail(key + " is not a whole number");
    std::uint64_t v = 0;
    const auto [p, ec] = std::from_chars(t.data(), t.data() + t.size(), v);
    if (ec == std::errc::result_out_of_range || (ec == std::errc() && v > max))
        Fail(key + " is larger than " + maxText);
    if (ec != std::errc() || p != t.data() + t.size())
        Fail(key + " is not a number");
    return v;
}

std::int64_t TExchangeReader::Impl::ReadSize(const std::string& key)
{
    return static_cast<std::int64_t>(
        ReadUnsigned(key, std::numeric_limits<std::int64_t>::max(), "2^63-1"));
}

std::int64_t TExchangeReader::Impl::ReadModified()
{
    const std::string_view t = ReadNumberText("mtime");
    if (t.find_first_of("eE+") != std::string_view::npos)
        Fail("mtime is not a plain number");
    const std::size_t dot = t.find('.');
    const std::string_view whole = t.substr(0, dot);
    std::int64_t seconds = 0;
    const auto [p, ec] = std::from_chars(whole.data(), whole.data() + whole.size(), seconds);
    if (ec != std::errc() || p != whole.data() + whole.size())
        Fail("mtime is not a number");
    std::int64_t fraction = 0; // 100-ns ticks
    if (dot != std::string_view::npos) {
        const std::string_view digits = t.substr(dot + 1);
        if (digits.empty() || digits.find_first_not_of("0123456789") != std::string_view::npos)
            Fail("mtime is not a number");
        for (std::size_t i = 0; i < 7; ++i)
            fraction = fraction * 10 + (i < digits.size() ? digits[i] - '0' : 0);
        if (whole[0] == '-' && fraction != 0) {
            seconds -= 1; // -1.25 is -2 plus 0.75
            fraction = 10000000 - fraction;
        }
    }
    constexpr std::int64_t kMaxSeconds =
        std::numeric_limits<std::int64_t>::max() / 10000000 - kEpochDeltaSeconds - 1;
    if (seconds < -kEpochDeltaSeconds || seconds > kMaxSeconds)
        Fail("mtime is out of range");
    return platform::UnixTimeToTicks(seconds, fraction * 100);
}

bool TExchangeReader::Impl::ReadBool(const std::string& key)
{
    char word[6] = {};
    std::size_t n = 0;
    while (n < 5 && Peek() >= 'a' && Peek() <= 'z')
        word[n++] = static_cast<char>(Get());
    if (std::strcmp(word, "true") == 0)
        return true;
    if (std::strcmp(word, "false") == 0)
        return false;
    FailValue(key + " is not true or false");
}

int TExchangeReader::Impl::ReadVersion(const char* what)
{
    SkipSpace();
    const std::string_view t = ReadNumberText(what);
    int v = 0;
    const auto [p, ec] = std::from_chars(t.data(), t.data() + t.size(), v);
    if (ec != std::errc() || p != t.data() + t.size() || v < 0 || v > exchange::kMaxVersion)
        Fail(std::string(what) + " is not a whole number from 0 to " +
             std::to_string(exchange::kMaxVersion));
    return v;
}

void TExchangeReader::Impl::SkipValue()
{
    FClosers.clear();
    for (;;) {
        // A value starts here.
        SkipSpace();
        const int c = Peek();
        bool opened = false;
        if (c == '{' || c == '[') {
            if (FClosers.size() >= exchange::kMaxFolderDepth)
                Fail("values nested deeper than " + std::to_string(exchange::kMaxFolderDepth) +
                     " levels");
            ++FPos;
            FClosers.push_back(c == '{' ? '}' : ']');
            SkipSpace();
            if (Peek() == FClosers.back()) {
                ++FPos;
                FClosers.pop_back();
            } else {
                opened = true;
            }
        } else if (c == '"') {
            ReadString(nullptr, 0, "a string");
        } else if (IsNumberChar(c)) {
            ReadNumberText("a number");
        } else if (c >= 'a' && c <= 'z') {
            char word[6] = {};
            std::size_t n = 0;
            while (n < 5 && Peek() >= 'a' && Peek() <= 'z')
                word[n++] = static_cast<char>(Get());
            if (std::strcmp(word, "true") != 0 && std::strcmp(word, "false") != 0 &&
                std::strcmp(word, "null") != 0)
                Fail("a word that is not true, false or null");
        } else {
            Unexpected(c, "a value");
        }
        if (opened && FClosers.back() == '}') {
            SkipSpace();
            ReadString(nullptr, 0, "a key");
            Expect(':', "':'");
            continue;
        }
        if (opened)
            continue;
        // After a value: close containers or go on to the next element.
        for (;;) {
            if (FClosers.empty())
                return;
            SkipSpace();
            const int d = Get();
            if (d == FClosers.back()) {
                FClosers.pop_back();
                continue;
            }
            if (d != ',')
                Unexpected(d, FClosers.back() == '}' ? "',' or '}'" : "',' or ']'");
            if (FClosers.back() == '}') {
                SkipSpace();
                ReadString(nullptr, 0, "a key");
                Expect(':', "':'");
            }
            break;
        }
    }
}

void TExchangeReader::Impl::ReadMetadata(TExchangeMeta& meta)
{
    Expect('{', "the metadata object");
    SkipSpace();
    if (Peek() == '}') {
        ++FPos;
        return;
    }
    for (;;) {
        SkipSpace();
        ReadString(&FKey, kMaxKeyBytes, "a key");
        Expect(':', "':'");
        SkipSpace();
        const int c = Peek();
        if ((FKey == "progname" || FKey == "progver" || FKey == "size_kind" ||
             FKey == "hard_links") &&
            c == '"') {
            ReadString(&FText, kMaxMetaTextBytes, FKey.c_str());
            (FKey == "progname"    ? meta.ProgramName
             : FKey == "progver"   ? meta.ProgramVersion
             : FKey == "size_kind" ? meta.SizeKind
                                   : meta.HardLinks) = FText;
        } else if ((FKey == "dsize_known" || FKey == "links_known") && (c == 't' || c == 'f')) {
            (FKey == "dsize_known" ? meta.DiskSizesKnown : meta.LinksKnown) = ReadBool(FKey);
        } else if (FKey == "left_out_bytes") {
            meta.LeftOutBytes = ReadSize(FKey);
        } else if (FKey == "timestamp" && IsNumberChar(c)) {
            const std::string_view t = ReadNumberText(FKey);
            std::int64_t v = 0;
            if (std::from_chars(t.data(), t.data() + t.size(), v).ec == std::errc())
                meta.Timestamp = v;
        } else {
            SkipValue();
        }
        SkipSpace();
        const int d = Get();
        if (d == '}')
            return;
        if (d != ',')
            Unexpected(d, "',' or '}'");
    }
}

void TExchangeReader::Impl::CheckName(bool root)
{
    const std::string_view n = FName;
    if (n.find('\0') != std::string_view::npos)
        Fail("the name " + QuotedName(n) + " holds a NUL byte");
    if (!root) {
        if (n.empty())
            Fail("an entry has an empty name");
        if (n == "." || n == "..")
            Fail("an entry is named " + QuotedName(n));
        for (const char c : n)
            if (platform::IsPathSeparator(c, FStyle))
                Fail("the name " + QuotedName(n) + " holds a '" + std::string(1, c) + "'");
        return;
    }
    // The root is a path in the form of the system that wrote the file, "/..." or
    // "C:\..." and "\\server\share\...", whichever system reads it. Older writers
    // recorded it as typed ("/tmp/T/."): the form without "." and ".." names the same
    // folder.
    const std::optional<platform::PathStyle> style = platform::AbsolutePathStyle(n);
    if (!style)
        Fail("the root " + QuotedName(n) + " is not an absolute path");
    FStyle = *style;
    FName = platform::LexicallyNormalPath(n, FStyle);
}

void TExchangeReader::Impl::ReadInfo(TExchangeEntry& e, bool root)
{
    e = TExchangeEntry();
    bool named = false;
    Expect('{', "an info object");
    SkipSpace();
    if (Peek() != '}') {
        for (;;) {
            SkipSpace();
            ReadString(&FKey, kMaxKeyBytes, "a key");
            Expect(':', "':'");
            SkipSpace();
            const std::string& k = FKey;
            if (k == "name") {
                ReadString(&FName, root ? exchange::kMaxRootPathBytes : exchange::kMaxNameBytes,
                           root ? "the root path" : "a name");
                named = true;
            } else if (k == "asize") {
                e.ApparentSize = ReadSize(k);
            } else if (k == "dsize") {
                e.DiskSize = ReadSize(k);
                e.HasDiskSize = true;
            } else if (k == "mtime") {
                e.ModifiedFT = ReadModified();
            } else if (k == "ino") {
                e.Inode = ReadUnsigned(k);
                e.HasInode = true;
            } else if (k == "hlnkc") {
                e.HardLinked = ReadBool(k);
            } else if (k == "nlink") {
                e.LinkCount = ReadUnsigned(k);
            } else if (k == "dev") {
                e.Device = ReadUnsigned(k);
                e.HasDevice = true;
            } else if (k == "notreg") {
                e.NotRegular = ReadBool(k);
            } else if (k == "read_error") {
                e.ReadError = ReadBool(k);
            } else if (k == "excluded") {
                ReadString(&FText, kMaxKeyBytes, "excluded");
                e.Excluded = FText == "pattern"   ? TExcludedReason::Pattern
                             : FText == "otherfs" ? TExcludedReason::OtherFs
                             : FText == "kernfs"  ? TExcludedReason::KernelFs
                             : FText == "frmlnk"  ? TExcludedReason::FirmLink
                                                  : TExcludedReason::Other;
            } else if (k == "mode") {
                e.Mode = static_cast<std::uint32_t>(ReadUnsigned(k, 0xFFFFFFFFu, "2^32-1"));
                e.HasMode = true;
            } else {
                SkipValue();
            }
            SkipSpace();
            const int d = Get();
            if (d == '}')
                break;
            if (d != ',')
                Unexpected(d, "',' or '}'");
        }
    } else {
        ++FPos;
    }
    if (!named)
        Fail("an entry has no name");
    CheckName(root);
    e.Name = FName;
}

void TExchangeReader::Impl::Read(TExchangeEvents& events)
{
    SkipSpace();
    const int first = Get();
    if (first < 0)
        throw EExchangeError("the file is empty");
    if (first != '[')
        throw EExchangeError("not a scan file (it does not start with a JSON array)");
    TExchangeMeta meta;
    meta.Major = ReadVersion("the major version");
    Expect(',', "','");
    meta.Minor = ReadVersion("the minor version");
    if (meta.Major != exchange::kMajorVersion)
        Fail("format version " + std::to_string(meta.Major) + "." + std::to_string(meta.Minor) +
             " is not supported (only major version 1 is)");
    Expect(',', "','");
    SkipSpace();
    if (Peek() != '{')
        FailValue("the metadata is not an object");
    ReadMetadata(meta);
    events.Metadata(meta);
    Expect(',', "','");
    SkipSpace();
    if (Peek() == '{')
        Fail("the root is not a folder");
    if (Peek() != '[')
        Unexpected(Peek(), "the root folder");

    TExchangeEntry e;
    std::size_t depth = 0;
    for (;;) {
        // A folder's array starts here.
        if (depth >= exchange::kMaxFolderDepth)
            Fail("folders are nested deeper than " + std::to_string(exchange::kMaxFolderDepth) +
                 " levels");
        ++FPos;
        SkipSpace();
        if (Peek() != '{')
            FailValue("a folder does not start with its info object");
        ReadInfo(e, depth == 0);
        events.BeginFolder(e);
        ++depth;
        for (;;) {
            SkipSpace();
            const int c = Get();
            if (c == ']') {
                events.EndFolder();
                if (--depth == 0)
                    break;
                continue;
            }
            if (c != ',')
                Unexpected(c, "',' or ']' in a folder");
            SkipSpace();
            const int d = Peek();
            if (d == '[')
                break;
            if (d != '{')
                Unexpected(d, "a folder or an info object");
            ReadInfo(e, false);
            events.File(e);
        }
        if (depth == 0)
            break;
    }
    Expect(']', "']' after the root folder");
    SkipSpace();
    if (Peek() >= 0)
        Fail("data after the end of the scan");
}

TExchangeReader::TExchangeReader(TByteSource& source) : FImpl(std::make_unique<Impl>(source)) {}
TExchangeReader::~TExchangeReader() = default;

void TExchangeReader::Read(TExchangeEvents& events)
{
    FImpl->Read(events);
}

std::uint64_t TExchangeReader::Offset() const
{
    return FImpl->Offset();
}

} // namespace harrowdale
