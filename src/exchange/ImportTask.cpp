#include "exchange/ImportTask.h"

#include "exchange/JoinedScans.h"
#include "exchange/RemoteScan.h"
#include "scan/Mask.h"

#include <algorithm>
#include <new>

namespace harrowdale {

namespace {

// Runs `read` as the task body: the tree it returns is the outcome's, and every error is
// the outcome's one line.
template <class TRead> TScanOutcome RunReading(const TScanContext& context, TRead&& read)
{
    TScanOutcome out;
    try {
        TImportResult r = read();
        const TDirNode* root = r.Tree->Root();
        out.Files = root->TotalFiles();
        out.Dirs = root->TotalDirs();
        out.Bytes = r.MetBytes;
        out.WrittenAt = std::max<std::int64_t>(r.Meta.Timestamp, 0);
        out.Tree = std::move(r.Tree);
        out.Ok = !context.IsCancelled();
    } catch (const EImportCancelled&) {
        out.Ok = false;
    } catch (const EMaskException&) {
        out.Err = ErrorText(std::current_exception()); // as a scan with that mask says it
    } catch (const std::bad_alloc&) {
        out.Err = "out of memory";
    } catch (const std::exception& e) {
        out.Err = e.what();
    }
    if (!out.Ok)
        out.Tree.reset();
    return out;
}

} // namespace

TScanOutcome RunImportTask(const std::vector<std::string>& paths, const std::string& rootName,
                           const TScanContext& context, TScanProgressBox& progress)
{
    return RunReading(context, [&] {
        return ImportScanFiles(paths, context, rootName,
                               [&progress](std::int64_t files, std::int64_t dirs) {
                                   progress.PublishProgress({}, files, dirs, 0);
                               });
    });
}

TScanOutcome RunRemoteTask(const std::vector<TRemoteTarget>& targets, const std::string& rootName,
                           const TScanContext& context, TScanProgressBox& progress)
{
    return RunReading(context, [&] {
        return RunRemoteScans(
            targets, context, rootName, {}, [&progress](const TRemoteProgress& p) {
                progress.PublishProgress({}, p.Files, p.Dirs,
                                         static_cast<std::int64_t>(p.BytesReceived));
            });
    });
}

} // namespace harrowdale
