#pragma once

#include <cstddef>
#include <filesystem>
#include <functional>

namespace pugi
{
class xml_document;
}

namespace orvilane
{

// Hands the bytes of a file to `write`; false from `write` means the bytes could
// not be stored. Returns false to abandon the file.
using FileContentWriter = std::function<bool(const std::function<bool(const void* data, size_t size)>& write)>;

// Replaces the file at path as one step: the content goes to a new temporary file
// in the same folder (its name no longer than the target's, or than 14 bytes),
// is flushed to disk, then renamed over the target (a
// symbolic link is followed, so the link stays). On any failure the temporary
// file is removed, the old file is left as it was, the cause is logged as an
// error naming the path, and the result is false. A replaced file keeps its
// permission bits.
bool WriteFileAtomically(const std::filesystem::path& path, const FileContentWriter& content);

// An XML document written as WriteFileAtomically does: one tab per level,
// pugixml's default flags (XML declaration), UTF-8 without byte-order mark.
bool SaveXmlAtomically(const pugi::xml_document& document, const std::filesystem::path& path);

} // namespace orvilane
