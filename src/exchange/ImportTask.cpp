#include "exchange/ImportTask.h"

#include "exchange/ScanTreeImport.h"

#include <new>

namespace harrowdale {

TScanOutcome RunImportTask(const std::string& path, const TScanContext& context,
                           TScanProgressBox& progress)
{
    TScanOutcome out;
    try {
        TImportOptions options;
        options.IsCancelled = [&context] { return context.IsCancelled(); };
        options.OnProgress = [&progress](std::int64_t files, std::int64_t dirs) {
            progress.PublishProgress({}, files, dirs, 0);
        };
        TImportResult r = ImportScanFile(path, options);
        const TDirNode* root = r.Tree->Root();
        out.Files = root->TotalFiles();
        out.Dirs = root->TotalDirs();
        out.Bytes = r.MetBytes;
        out.Tree = std::move(r.Tree);
        out.Ok = !context.IsCancelled();
    } catch (const EImportCancelled&) {
        out.Ok = false;
    } catch (const std::bad_alloc&) {
        out.Err = "out of memory";
    } catch (const std::exception& e) {
        out.Err = e.what();
    }
    if (!out.Ok)
        out.Tree.reset();
    return out;
}

} // namespace harrowdale
