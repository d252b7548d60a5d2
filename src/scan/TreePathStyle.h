#pragma once

// The form of a tree's paths. A scan's are in this system's form; a tree read from a scan
// file keeps the form of the system that wrote it (its root's path shows which), which may
// be the other one: such a tree names another machine's files and is never acted on.

#include "platform/Paths.h"

namespace harrowdale {

class TDirNode;

/// How the paths of the tree that holds `node` are written.
platform::PathStyle TreePathStyle(const TDirNode& node);

/// The form the absolute `rootPath` is written in; this system's when it is in neither.
platform::PathStyle RootPathStyle(std::string_view rootPath);

} // namespace harrowdale
