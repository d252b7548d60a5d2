#include "TreemapPicture.h"

#include "Output.h"
#include "Png.h"
#include "scan/ResultArrays.h"
#include "treemap/DupTreemapLayout.h"
#include "treemap/FolderTreemapLayout.h"
#include "treemap/HierTreemapLayout.h"
#include "treemap/PixelCanvas.h"
#include "treemap/TreemapLayout.h"
#include "views/Duplicates.h"

namespace harrowdale {

namespace {

constexpr int kMaxSide = 16384;

} // namespace

bool WriteTreemapPng(const TDirNode* root, std::string_view kind, int width, int height,
                     const std::string& pngPath, std::string& error, const TDuplicates* duplicates)
{
    if (width < 1 || height < 1 || width > kMaxSide || height > kMaxSide) {
        error = "a treemap picture is 1 to " + std::to_string(kMaxSide) +
                " pixels wide and high, not " + std::to_string(width) + "x" +
                std::to_string(height);
        return false;
    }
    const TRect target{0, 0, width, height};
    TPixelCanvas canvas(width, height);
    if (kind == "files") {
        const TFileArray files = FlattenAllFilesFromRoot(root);
        TTreemapLayout layout;
        layout.BuildFromFiles(files.Files, target);
        layout.Paint(canvas);
    } else if (kind == "nested") {
        THierTreemapLayout layout;
        layout.BuildFromRootSquarified(root, target);
        layout.Paint(canvas);
    } else if (kind == "folders") {
        TFolderTreemapLayout layout;
        layout.BuildFromRoot(root, target);
        layout.Paint(canvas);
    } else if (kind == "duplicates") {
        TDuplicates byName;
        if (duplicates == nullptr) {
            BuildDuplicates(FlattenAllFilesFromRoot(root).Files, byName);
            duplicates = &byName;
        }
        TDupTreemapLayout layout;
        layout.BuildFromRootDuplicates(root, &duplicates->ColorByFile, target);
        layout.Paint(canvas);
    } else {
        error = "the treemap kind is files, nested, folders or duplicates, not \"" +
                cli::TerminalText(kind) + "\"";
        return false;
    }
    if (!cli::WritePng(pngPath, canvas.Pixels(), width, height, error)) {
        error = cli::TerminalText(error);
        return false;
    }
    return true;
}

} // namespace harrowdale
