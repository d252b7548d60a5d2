#include "exchange/ExchangeWriter.h"

#include <array>
#include <charconv>
#include <utility>

namespace harrowdale {

namespace {

constexpr std::size_t kFlushAt = 64 * 1024;
constexpr std::int64_t kTicksPerSecond = 10000000;
constexpr std::int64_t kEpochDeltaSeconds = 11644473600; // 1601-01-01 to 1970-01-01

/// Bytes that a JSON string cannot carry as they are. 0x7F is legal but escaped, so a
/// file shown in a terminal shows no stray control character.
constexpr std::array<bool, 256> MakeEscapeTable()
{
    std::array<bool, 256> t{};
    for (int c = 0; c < 0x20; ++c)
        t[c] = true;
    t['"'] = t['\\'] = t[0x7F] = true;
    return t;
}
constexpr std::array<bool, 256> kEscape = MakeEscapeTable();

} // namespace

std::int64_t UnixSecondsFromTicks(std::int64_t ticks)
{
    std::int64_t s = ticks / kTicksPerSecond;
    if (ticks % kTicksPerSecond < 0)
        --s;
    return s - kEpochDeltaSeconds;
}

TExchangeWriter::TExchangeWriter(TByteSink& sink) : FSink(sink)
{
    FBuf.reserve(kFlushAt + 8192);
}

void TExchangeWriter::Put(std::string_view s)
{
    FBuf.append(s);
}

void TExchangeWriter::Flush()
{
    if (!FBuf.empty())
        FSink.Write(FBuf.data(), FBuf.size());
    FBuf.clear();
}

void TExchangeWriter::String(std::string_view bytes)
{
    FBuf.push_back('"');
    std::size_t run = 0;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const auto c = static_cast<unsigned char>(bytes[i]);
        if (!kEscape[c])
            continue;
        FBuf.append(bytes.data() + run, i - run);
        run = i + 1;
        if (c == '"' || c == '\\') {
            FBuf.push_back('\\');
            FBuf.push_back(static_cast<char>(c));
        } else {
            static constexpr char kHex[] = "0123456789abcdef";
            const char esc[] = {'\\', 'u', '0', '0', kHex[c >> 4], kHex[c & 15]};
            FBuf.append(esc, sizeof esc);
        }
    }
    FBuf.append(bytes.data() + run, bytes.size() - run);
    FBuf.push_back('"');
}

void TExchangeWriter::Key(std::string_view key)
{
    if (!FFirstKey)
        FBuf.push_back(',');
    FFirstKey = false;
    FBuf.push_back('"');
    FBuf.append(key);
    FBuf.append("\":");
}

void TExchangeWriter::Unsigned(std::string_view key, std::uint64_t value)
{
    Key(key);
    char buf[24];
    const auto r = std::to_chars(buf, buf + sizeof buf, value);
    FBuf.append(buf, r.ptr);
}

void TExchangeWriter::Signed(std::string_view key, std::int64_t value)
{
    Key(key);
    char buf[24];
    const auto r = std::to_chars(buf, buf + sizeof buf, value);
    FBuf.append(buf, r.ptr);
}

void TExchangeWriter::Begin(const TExchangeMeta& meta)
{
    FBuf.clear();
    FDevices.clear();
    Put("[1,2,{");
    FFirstKey = true;
    Key("progname");
    String(meta.ProgramName);
    Key("progver");
    String(meta.ProgramVersion);
    Signed("timestamp", meta.Timestamp);
    if (!meta.SizeKind.empty()) {
        Key("size_kind");
        String(meta.SizeKind);
    }
    if (!meta.HardLinks.empty()) {
        Key("hard_links");
        String(meta.HardLinks);
    }
    if (meta.LeftOutBytes >= 0)
        Signed("left_out_bytes", meta.LeftOutBytes);
    for (const auto& [key, known] :
         {std::pair{"dsize_known", meta.DiskSizesKnown}, std::pair{"links_known", meta.LinksKnown}})
        if (!known) {
            Key(key);
            Put("false");
        }
    Put("}");
}

void TExchangeWriter::Separator()
{
    Put(",\n");
    if (FBuf.size() >= kFlushAt)
        Flush();
}

void TExchangeWriter::Info(const TExchangeEntry& e)
{
    FBuf.push_back('{');
    FFirstKey = true;
    Key("name");
    String(e.Name);
    if (e.ApparentSize != 0)
        Signed("asize", e.ApparentSize);
    if (e.HasDiskSize && e.DiskSize != 0)
        Signed("dsize", e.DiskSize);
    const std::uint64_t parentDev = FDevices.empty() ? 0 : FDevices.back();
    if (e.HasDevice && (FDevices.empty() || e.Device != parentDev))
        Unsigned("dev", e.Device);
    if (e.HardLinked) {
        Unsigned("ino", e.Inode);
        Key("hlnkc");
        Put("true");
        if (e.LinkCount != 0)
            Unsigned("nlink", e.LinkCount);
    }
    if (e.ModifiedFT != 0)
        Signed("mtime", UnixSecondsFromTicks(e.ModifiedFT));
    if (e.NotRegular) {
        Key("notreg");
        Put("true");
    }
    if (e.ReadError) {
        Key("read_error");
        Put("true");
    }
    if (e.Excluded != TExcludedReason::None) {
        Key("excluded");
        String(ExcludedReasonText(e.Excluded));
    }
    FBuf.push_back('}');
}

void TExchangeWriter::BeginFolder(const TExchangeEntry& folder)
{
    Separator();
    FBuf.push_back('[');
    Info(folder);
    const std::uint64_t parentDev = FDevices.empty() ? 0 : FDevices.back();
    FDevices.push_back(folder.HasDevice ? folder.Device : parentDev);
}

void TExchangeWriter::File(const TExchangeEntry& file)
{
    Separator();
    Info(file);
}

void TExchangeWriter::EndFolder()
{
    FBuf.push_back(']');
    FDevices.pop_back();
}

void TExchangeWriter::End()
{
    Put("]\n");
    Flush();
}

} // namespace harrowdale
