#include "scan/ScanControl.h"

#include "platform/Casing.h"
#include "platform/Clock.h"
#include "platform/Drives.h"
#include "platform/FileSystem.h"
#include "platform/Locale.h"
#include "platform/PathForms.h"
#include "platform/Paths.h"
#include "scan/DiskScanner.h"
#include "scan/Mask.h"

#include <cfenv>
#include <cmath>
#include <limits>
#include <new>

namespace harrowdale {

namespace {

constexpr std::uint32_t kPublishIntervalMs = 90;

// Round half to even, independent of the current floating-point rounding mode.
double RoundHalfEven(double v)
{
    const double fl = std::floor(v);
    const double diff = v - fl;
    if (diff > 0.5)
        return fl + 1;
    if (diff < 0.5)
        return fl;
    return std::fmod(fl, 2.0) == 0 ? fl : fl + 1;
}

} // namespace

std::int64_t SizeUnitMultiplier(int unitIndex)
{
    switch (unitIndex) {
    case 1:
        return 1024LL;
    case 2:
        return 1048576LL;
    case 3:
        return 1073741824LL;
    case 4:
        return 1099511627776LL;
    default:
        return 1;
    }
}

bool TryGetLessThanBytes(std::string_view text, int unitIndex, std::int64_t& bytes,
                         std::string_view localeSeparator)
{
    bytes = 0;
    const std::string_view t = Trim(text);
    if (t.empty())
        return false;
    auto number = platform::ParseDecimal(t, localeSeparator);
    if (!number)
        number = platform::ParseDecimal(t, ".");
    if (!number || std::isnan(*number) || *number < 0)
        return false;
    const double value = *number * static_cast<double>(SizeUnitMultiplier(unitIndex));
    // 2^63 itself does not fit a signed 64-bit integer (converting it is undefined), and
    // it is the double nearest to the largest one: from there on the limit is the cap.
    constexpr double kTwoTo63 = 9223372036854775808.0;
    const double rounded = RoundHalfEven(value);
    bytes = rounded >= kTwoTo63 ? std::numeric_limits<std::int64_t>::max()
                                : static_cast<std::int64_t>(rounded);
    return true;
}

bool TryGetLessThanBytes(std::string_view text, int unitIndex, std::int64_t& bytes)
{
    return TryGetLessThanBytes(text, unitIndex, bytes, platform::DecimalSeparator());
}

void ApplyScanFilters(TScanContext& context, const TScanFilterInput& input)
{
    context.ExcludeModifiedBefore = input.ModifiedBeforeChecked;
    context.ModifiedBefore = input.ModifiedBefore;
    context.ExcludeLessThan = input.LessThanChecked;
    context.LessThanBytes = 0;
    if (input.LessThanChecked) {
        std::int64_t b = 0;
        context.LessThanBytes =
            TryGetLessThanBytes(input.LessThanText, input.SizeUnitIndex, b) ? b : 0;
    }
    context.ExcludePattern = input.PatternChecked;
    context.Pattern = std::string(Trim(input.PatternText));
    context.PatternMasks.clear();
    if (input.PatternChecked)
        context.PatternMasks = SplitMasks(context.Pattern);
}

std::vector<std::string> GetScanDrives()
{
    return platform::ListDriveRoots();
}

std::int64_t GetUsedBytes(const std::string& root)
{
    return platform::UsedBytes(root);
}

std::string NormalizeScanPath(std::string_view path)
{
    // The folder the scan will open, not the text typed: the root recorded (in a scan
    // file, in the Path box) then holds no ".", ".." or link.
    if (const std::string resolved = platform::ResolvedPath(path); !resolved.empty())
        return platform::LexicallyNormalPath(resolved);
    return platform::LexicallyNormalPath(platform::AbsolutePath(path));
}

void TScanProgressBox::PublishProgress(const std::string& path, std::int64_t files,
                                       std::int64_t dirs, std::int64_t bytes)
{
    const std::lock_guard lock(FProgLock);
    FProg.Path = path;
    FProg.Files = files;
    FProg.Dirs = dirs;
    FProg.Bytes = bytes;
}

TScanProgressBox::Snapshot TScanProgressBox::Read() const
{
    const std::lock_guard lock(FProgLock);
    return FProg;
}

void TScanProgressBox::Reset()
{
    const std::lock_guard lock(FProgLock);
    FProg = {};
}

std::optional<EMaskException> FirstMaskError(const TScanContext& context)
{
    if (!context.ExcludePattern)
        return std::nullopt;
    // The masks as typed: whether a mask is well formed does not depend on its case, and
    // the message then shows it as the user wrote it.
    for (const std::string& m : context.PatternMasks) {
        try {
            TMask mask(m);
        } catch (const EMaskException& e) {
            return e;
        }
    }
    return std::nullopt;
}

std::string ErrorText(const std::exception_ptr& error)
{
    try {
        std::rethrow_exception(error);
    } catch (const EMaskException& e) {
        return e.what();
    } catch (const std::bad_alloc&) {
        return "EOutOfMemory: Out of memory";
    } catch (const std::exception& e) {
        return std::string("Exception: ") + e.what();
    } catch (...) {
        return "Exception: unknown error";
    }
}

TScanOutcome RunScanTask(const TScanRequest& request, const TScanContext& context,
                         TScanProgressBox& progress)
{
    TScanOutcome out;
    std::int64_t filesOff = 0, dirsOff = 0, bytesOff = 0;
    std::uint32_t lastTick = platform::TickCount();
    try {
        auto tree = std::make_unique<TScanTree>();
        TDiskScanner scanner(context, *tree);
        scanner.OnProgress = [&](const std::string& path, std::int64_t files, std::int64_t dirs) {
            const std::uint32_t now = platform::TickCount();
            if (now - lastTick >= kPublishIntervalMs) {
                lastTick = now;
                progress.PublishProgress(path, files + filesOff, dirs + dirsOff,
                                         scanner.Bytes() + bytesOff);
            }
        };
        if (request.AllDrives) {
            TDirNode* root = tree->NewSyntheticRoot(request.AllDrivesName);
            tree->SetRoot(root);
            const std::vector<std::string> drives =
                request.Drives ? request.Drives() : GetScanDrives();
            for (const std::string& d : drives) {
                if (context.IsCancelled())
                    break;
                scanner.ResetCounters();
                TDirNode* n = scanner.Scan(d);
                // A drive finished after cancellation is dropped; its nodes go with the tree.
                if (n != nullptr && !context.IsCancelled())
                    tree->AppendDrive(root, n);
                filesOff += scanner.Files();
                dirsOff += scanner.Dirs();
                bytesOff += scanner.Bytes();
                progress.PublishProgress(d, filesOff, dirsOff, bytesOff);
            }
        } else {
            scanner.ResetCounters();
            if (request.WithinRoots.empty()) {
                tree->SetRoot(scanner.Scan(request.PathToScan));
            } else {
                platform::FolderHandle folder;
                if (platform::OpenFolderInScan(request.WithinRoots, request.PathToScan, folder) ==
                    platform::OpenResult::NotEntered) {
                    out.FolderGone = true;
                    return out;
                }
                tree->SetRoot(scanner.Scan(request.PathToScan, std::move(folder)));
            }
            filesOff = scanner.Files();
            dirsOff = scanner.Dirs();
            bytesOff = scanner.Bytes();
        }
        out.Files = filesOff;
        out.Dirs = dirsOff;
        out.Bytes = bytesOff;
        out.Ok = !context.IsCancelled();
        out.Tree = std::move(tree);
    } catch (...) {
        out.Err = ErrorText(std::current_exception());
        out.Ok = false;
        out.Tree.reset();
    }
    return out;
}

int DriveProgressPosition(std::int64_t bytes, std::int64_t expected)
{
    if (expected <= 0 || bytes <= 0)
        return 0;
    const double share = std::min(static_cast<double>(bytes) / static_cast<double>(expected), 1.0);
    const double pos = RoundHalfEven(1000.0 * share);
    return static_cast<int>(std::clamp(pos, 0.0, 1000.0));
}

} // namespace harrowdale
