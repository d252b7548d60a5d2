#pragma once

// Extension keys and colours per interned extension of one tree. A layout of a million
// files meets a few thousand distinct extensions, so casing and hashing once per
// extension instead of once per file keeps builds and paints cheap.

#include "scan/ScanTree.h"
#include "treemap/Colors.h"

#include <string>
#include <string_view>
#include <vector>

namespace harrowdale {

class TExtKeyCache
{
public:
    /// Computes the keys and colours of every extension of `table` (null: none).
    void Assign(const TExtTable* table);
    void Clear() { Assign(nullptr); }

    std::size_t Count() const { return FKeys.size(); }
    /// ExtKey of the stored extension: lower-cased again, "(none)" for none.
    const std::string& KeyOf(TExtTable::Id id) const { return FKeys[id]; }
    /// ColorForExt of the stored extension.
    TColor ColorOfExt(TExtTable::Id id) const { return FExtColors[id]; }
    /// ColorForExt of the extension's key (the key cased once more, as for a key typed in).
    TColor ColorOfKey(TExtTable::Id id) const { return FKeyColors[id]; }
    /// Ids whose key equals ExtKey(ext).
    std::vector<TExtTable::Id> IdsOf(std::string_view ext) const;

private:
    std::vector<std::string> FKeys;
    std::vector<TColor> FExtColors;
    std::vector<TColor> FKeyColors;
};

} // namespace harrowdale
