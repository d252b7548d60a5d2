// harrowdale-scan: the scan engine from the command line, for scripts and for checking
// the engine against other tools.

#include "CompareOutput.h"
#include "Options.h"
#include "Output.h"
#include "TreemapPicture.h"
#include "exchange/JoinedScans.h"
#include "exchange/RemoteScan.h"
#include "exchange/ScanHistory.h"
#include "exchange/ScanTreeExport.h"
#include "exchange/ScanTreeImport.h"
#include "i18n/TextFormat.h"
#include "i18n/Translation.h"
#include "platform/Casing.h"
#include "platform/Console.h"
#include "platform/FileSystem.h"
#include "platform/StdOutput.h"
#include "scan/DiskScanner.h"
#include "scan/Mask.h"
#include "scan/ScanControl.h"
#include "ui/text/DisplayFormat.h"
#include "ui/text/MaskErrorText.h"
#include "views/ContentDuplicates.h"
#include "views/ScanComparison.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <ctime>
#include <iostream>
#include <mutex>
#include <new>
#include <optional>
#include <thread>

using namespace harrowdale;

namespace {

constexpr int kExitWriteFailed = 1;
constexpr int kExitUnreadable = 1; // as du: the result is written, but lacks something
constexpr int kExitUsage = 2;

// The interruption handler may only touch lock-free atomics; Cancel() is one exchange.
std::atomic<TScanContext*> gContext{nullptr};
std::atomic<platform::Interruption> gInterruption{platform::Interruption::None};

void OnInterrupt(platform::Interruption kind)
{
    auto none = platform::Interruption::None;
    gInterruption.compare_exchange_strong(none, kind); // the first one decides the status
    if (TScanContext* ctx = gContext.load())
        ctx->Cancel();
    else // reading a scan file or writing: nothing to finish, but a partial file to remove
        platform::EndOnInterruption(gInterruption.load());
}

// Every message may carry text from outside (an option's value, a path, what a scan file
// holds): all of it is shown with visible escapes, which leave the parts already escaped
// as they are.
int Fail(int code, const std::string& message)
{
    std::cerr << "harrowdale-scan: " << cli::TerminalText(message) << "\n";
    return code;
}

// One self-overwriting line on a terminal, at most every 120 ms.
class ProgressLine
{
public:
    explicit ProgressLine(bool enabled) : FEnabled(enabled) {}
    void Show(const TScanProgressBox::Snapshot& p)
    {
        if (!FEnabled)
            return;
        ShowText(p.Path.empty()
                     ? FormatText(Translate("Scanning... (files: %d, dirs: %d)"), {p.Files, p.Dirs})
                     : FormatText(Translate("Scanning: %s  (files: %d, dirs: %d)"),
                                  {cli::TerminalText(p.Path), p.Files, p.Dirs}));
    }
    void Show(const TContentProgress& p)
    {
        if (!FEnabled)
            return;
        ShowText(FormatText(
            Translate("Comparing contents: %s  (%s of %s read, files: %d of %d)"),
            {p.Current != nullptr ? cli::TerminalText(p.Current->FullPath()) : std::string(),
             FormatSize(p.BytesRead), FormatSize(p.BytesToRead), p.FilesDone, p.Files}));
    }
    void ShowText(std::string text)
    {
        if (!FEnabled)
            return;
        constexpr std::size_t kMax = 150;
        if (text.size() > kMax)
            text = text.substr(0, kMax);
        std::fprintf(stderr, "\r\033[K%s", text.c_str());
        std::fflush(stderr);
        FShown = true;
    }
    void Clear()
    {
        if (FShown)
            std::fprintf(stderr, "\r\033[K");
        FShown = false;
    }

private:
    bool FEnabled;
    bool FShown = false;
};

// The status and message of a run the user interrupted.
int FailCancelled()
{
    const platform::Interruption kind = gInterruption.load();
    return Fail(platform::InterruptionExitStatus(kind == platform::Interruption::None
                                                     ? platform::Interruption::Interrupt
                                                     : kind),
                Translate("Cancelled by user"));
}

/// The tree to report on, scanned or read from a scan file.
struct LoadedTree
{
    std::unique_ptr<TScanTree> Tree;
    std::int64_t MetBytes = 0; ///< every byte met, excluded files included
};

// Ends the output: 0 when everything written arrived, else one line on standard error
// (a full disk, a closed pipe) and status 1.
int FinishOutput(platform::TStdOutBuffer& out)
{
    const std::string& error = out.Finish();
    if (error.empty())
        return 0;
    return Fail(kExitWriteFailed, "cannot write the output: " + error);
}

/// The context of a scan, or of an import, as the options say; returns 0, or the exit
/// status after printing why not.
int MakeContext(const cli::Options& opts, TScanContext& context)
{
    TScanFilterInput filters;
    filters.ModifiedBeforeChecked = opts.ExcludeBefore;
    filters.ModifiedBefore = opts.Before;
    filters.LessThanChecked = opts.ExcludeSmaller;
    filters.LessThanText = opts.SmallerNumber;
    filters.SizeUnitIndex = opts.SmallerUnit;
    filters.PatternChecked = opts.ExcludePattern;
    filters.PatternText = opts.Pattern;
    std::int64_t limit = 0;
    if (opts.ExcludeSmaller && !TryGetLessThanBytes(opts.SmallerNumber, opts.SmallerUnit, limit))
        return Fail(kExitUsage, "--exclude-smaller wants a size such as 500, 1.5MB or 2GB, not \"" +
                                    cli::TerminalText(opts.SmallerText) + "\"");

    ApplyScanFilters(context, filters);
    context.SizeOnDisk = opts.SizeOnDisk;
    context.CountEveryHardLink = opts.EveryHardLink;
    context.Threads = opts.Threads;
    // A malformed mask would only surface when a file meets it; say so before starting.
    if (const std::optional<EMaskException> maskError = FirstMaskError(context))
        return Fail(kExitUsage, "--exclude-pattern: " + MaskErrorText(*maskError));
    return 0;
}

/// Scans as the options say; returns 0, or the exit status after printing why not.
int RunScan(const cli::Options& opts, LoadedTree& out)
{
    TScanRequest request;
    request.AllDrives = opts.AllDrives;
    if (opts.AllDrives) {
        if (GetScanDrives().empty())
            return Fail(kExitUsage, Translate("No drives found."));
    } else {
        // As given, byte for byte: blanks at either end belong to the folder's name.
        request.PathToScan = NormalizeScanPath(opts.Path);
        if (request.PathToScan.empty() || !platform::DirectoryExists(request.PathToScan))
            return Fail(kExitUsage,
                        cli::TerminalText(opts.Path) + ": " + Translate("Folder does not exist."));
    }

    TScanContext context;
    if (const int status = MakeContext(opts, context))
        return status;

    gContext.store(&context);

    TScanProgressBox progress;
    TScanOutcome outcome;
    std::mutex doneLock; // guards done
    std::condition_variable doneCv;
    bool done = false;
    std::thread worker([&] {
        outcome = RunScanTask(request, context, progress);
        const std::lock_guard lock(doneLock);
        done = true;
        doneCv.notify_one();
    });
    ProgressLine line(!opts.NoProgress && platform::StandardErrorIsTerminal());
    {
        // Woken at the end, so the result is written without waiting for a tick.
        std::unique_lock lock(doneLock);
        while (!doneCv.wait_for(lock, std::chrono::milliseconds(120), [&] { return done; }))
            line.Show(progress.Read());
    }
    worker.join();
    line.Clear();
    gContext.store(nullptr);

    if (!outcome.Ok) {
        if (context.IsCancelled() && outcome.Err.empty())
            return FailCancelled();
        return Fail(kExitUsage, Translate("Scan failed: ") + outcome.Err);
    }
    out.Tree = std::move(outcome.Tree);
    out.MetBytes = outcome.Bytes;
    return 0;
}

/// Groups the report's duplicates by content, reading the files, with a progress line;
/// returns 0, or the exit status after printing why not.
int GroupByContent(const cli::Options& opts, cli::ReportData& data, bool fillMaps)
{
    TScanContext context;
    gContext.store(&context);
    ProgressLine line(!opts.NoProgress && platform::StandardErrorIsTerminal());
    TContentSettings settings;
    settings.FillMaps = fillMaps;
    settings.OnProgress = [&line](const TContentProgress& p) { line.Show(p); };
    data.ByContent = true;
    data.Content =
        BuildContentDuplicates(data.Root, data.AllFiles.Files, data.Duplicates, context, settings);
    line.Clear();
    gContext.store(nullptr);
    switch (data.Content.Status) {
    case TContentStatus::Done:
        return 0;
    case TContentStatus::Cancelled:
        return FailCancelled();
    case TContentStatus::RootMissing:
        return Fail(kExitUsage, Translate("Cannot compare contents: the scanned folder does "
                                          "not exist on this machine."));
    case TContentStatus::Unavailable:
        break;
    }
    return Fail(kExitUsage, Translate("Comparing contents is not available on this system."));
}

int ImportTree(const cli::Options& opts, const std::vector<std::string>& paths, LoadedTree& out)
{
    TScanContext context;
    if (const int status = MakeContext(opts, context))
        return status;
    // Ctrl+C ends an import at once (OnInterrupt): it changes nothing, and a read from a
    // pipe can block.
    try {
        TImportResult r = ImportScanFiles(paths, context, Translate("(Several scans)"));
        out.Tree = std::move(r.Tree);
        out.MetBytes = r.MetBytes;
        return 0;
    } catch (const EExchangeError& e) {
        // With several files, the message names the one at fault.
        return Fail(kExitUsage, "cannot import " +
                                    (paths.size() == 1 ? cli::TerminalText(paths.front())
                                                       : std::string("the scan files")) +
                                    ": " + e.what());
    }
}

// Says on standard error which folders could not be read, once the output is written,
// and turns success into status 1.
int FinishWithUnreadable(int status, const cli::UnreadableFolders& unreadable)
{
    if (unreadable.Count == 0)
        return status;
    std::cerr << "harrowdale-scan: " << cli::UnreadableText(unreadable, "  ");
    return status == 0 ? kExitUnreadable : status;
}

/// Scans the --remote folders through ssh; returns 0, or the exit status after printing
/// why not.
int RunRemote(const cli::Options& opts, LoadedTree& out)
{
    std::vector<TRemoteTarget> targets;
    for (const std::string& text : opts.Remotes) {
        std::string error;
        std::optional<TRemoteTarget> t = ParseRemoteTarget(text, error);
        if (!t)
            return Fail(kExitUsage, "--remote: " + error);
        targets.push_back(std::move(*t));
    }
    TScanContext context;
    if (const int status = MakeContext(opts, context))
        return status;
    // Ctrl+C stops the read, which ends ssh and the remote scanner before we go.
    gContext.store(&context);
    ProgressLine line(!opts.NoProgress && platform::StandardErrorIsTerminal());
    int status = 0;
    try {
        TImportResult r = RunRemoteScans(
            targets, context, Translate("(Several scans)"), opts.SshConfig,
            [&line](const TRemoteProgress& p) {
                line.ShowText(FormatText(
                    Translate("Receiving... (files: %d, dirs: %d, %s received)"),
                    {p.Files, p.Dirs, FormatSize(static_cast<std::int64_t>(p.BytesReceived))}));
            });
        out.Tree = std::move(r.Tree);
        out.MetBytes = r.MetBytes;
    } catch (const EImportCancelled&) {
        line.Clear();
        status = FailCancelled();
    } catch (const ERemoteScanError& e) {
        line.Clear();
        status = Fail(kExitUsage, e.what());
    } catch (const EExchangeError& e) {
        line.Clear();
        status = Fail(kExitUsage, e.what());
    }
    line.Clear();
    gContext.store(nullptr);
    return status;
}

/// Reports what changed from the scan file --compare names to `newer`; returns the exit
/// status after printing the report or why there is none.
int Compare(const cli::Options& opts, const TScanTree& newer, platform::TStdOutBuffer& outBuffer)
{
    LoadedTree older;
    if (const int status = ImportTree(opts, {opts.ComparePath}, older))
        return status;
    std::optional<TScanComparison> comparison;
    try {
        comparison.emplace(*older.Tree, newer);
    } catch (const EComparisonError& e) {
        return Fail(kExitUsage, e.what());
    }
    std::ostream out(&outBuffer);
    const cli::CompareData data{&*comparison, opts.Largest};
    if (opts.Json)
        cli::WriteCompareJson(out, data);
    else
        cli::WriteCompareText(out, data);
    return FinishOutput(outBuffer);
}

int Run(int argc, char** argv)
{
    platform::PrepareStandardStreams();
    LoadTranslation(std::nullopt, TranslationFileCandidates());
    platform::TStdOutBuffer outBuffer;
    std::ostream out(&outBuffer);

    std::string error;
    const std::vector<std::string> args = platform::CommandLineArguments(argc, argv);
    const auto opts = cli::ParseOptions(args, error);
    if (!opts)
        return Fail(kExitUsage, error + " (see --help)");
    if (opts->Help) {
        out << cli::UsageText();
        return FinishOutput(outBuffer);
    }
    if (opts->Version) {
        out << "harrowdale-scan " << HARROWDALE_VERSION << "\n";
        return FinishOutput(outBuffer);
    }

    LoadedTree loaded;
    if (const int status = !opts->Remotes.empty() ? RunRemote(*opts, loaded)
                           : opts->ImportPaths.empty()
                               ? RunScan(*opts, loaded)
                               : ImportTree(*opts, opts->ImportPaths, loaded))
        return status;

    const TDirNode* root = loaded.Tree->Root();
    if (opts->History) {
        // Recorded before anything is written, so a report piped on finds it kept.
        try {
            TScanHistory::Open().Record(*root, static_cast<std::int64_t>(std::time(nullptr)),
                                        loaded.MetBytes);
        } catch (const EHistoryError& e) {
            return Fail(kExitWriteFailed, e.what());
        }
    }
    const cli::UnreadableFolders unreadable = cli::FindUnreadableFolders(root);
    if (!opts->ExportPath.empty()) {
        try {
            ExportScanFile(*root, opts->ExportPath, loaded.MetBytes);
        } catch (const EExchangeError& e) {
            return Fail(kExitWriteFailed, "cannot export to " +
                                              cli::TerminalText(opts->ExportPath) + ": " +
                                              e.what());
        }
        if (opts->ExportPath == "-" && opts->TreemapKind.empty())
            return FinishWithUnreadable(0, unreadable); // the scan file is the output
    }
    if (!opts->ComparePath.empty())
        return FinishWithUnreadable(Compare(*opts, *loaded.Tree, outBuffer), unreadable);
    // A picture of the duplicates colours each file by its group; the report lists groups
    // only, and the per-file maps would cost tens of bytes a file.
    const bool picture = !opts->TreemapKind.empty();
    const bool fillMaps = opts->TreemapKind == "duplicates";
    if (picture && !fillMaps) {
        if (!WriteTreemapPng(root, opts->TreemapKind, opts->Width, opts->Height, opts->PngPath,
                             error))
            return Fail(kExitWriteFailed, error);
        return FinishWithUnreadable(0, unreadable);
    }

    cli::ReportData data;
    data.Root = root;
    data.MetBytes = loaded.MetBytes;
    // The report reads the same whichever system scanned the tree, and so do the
    // duplicates grouped from it. It tells the space files take: links that count nothing
    // (extra links of a file counted elsewhere) are not listed.
    data.AllFiles = WithoutExtraLinks(FlattenAllFilesInNameOrder(root));
    data.Largest = opts->Largest;
    data.DuplicateGroups = opts->Duplicates;
    data.Unreadable = unreadable;
    if (opts->DuplicatesByContent) {
        if (const int status = GroupByContent(*opts, data, fillMaps))
            return status;
    } else {
        BuildDuplicates(data.AllFiles.Files, data.Duplicates, {}, kMaxDupGroups, fillMaps);
    }
    if (picture) {
        if (!WriteTreemapPng(root, opts->TreemapKind, opts->Width, opts->Height, opts->PngPath,
                             error, &data.Duplicates))
            return Fail(kExitWriteFailed, error);
        return FinishWithUnreadable(0, unreadable);
    }
    if (opts->Json)
        cli::WriteJson(out, data);
    else
        cli::WriteText(out, data);
    return FinishWithUnreadable(FinishOutput(outBuffer), unreadable);
}

} // namespace

int main(int argc, char** argv)
{
    platform::CatchInterruptions(OnInterrupt);
    // Out of memory (a huge tree, a forged scan file) is one line, not an abort; the
    // scan's threads report theirs through the outcome.
    try {
        return Run(argc, argv);
    } catch (const std::bad_alloc&) {
        return Fail(kExitUsage, "out of memory");
    }
}
