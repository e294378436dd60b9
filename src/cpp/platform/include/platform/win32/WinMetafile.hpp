// WinMetafile.hpp: enhanced metafiles, read whole and checked for their header.
//
// Nothing is drawn on Linux: a metafile handle holds the file's bytes.
#pragma once

#include <string>

#include <platform/win32/WinBase.hpp>

struct HENHMETAFILE__;
using HENHMETAFILE = HENHMETAFILE__*;

// Null with 2 or 3 for a missing file or folder, 13 for a file that does not start
// with an enhanced-metafile header (EMR_HEADER with the " EMF" signature).
HENHMETAFILE GetEnhMetaFileW(LPCWSTR fileName);
BOOL DeleteEnhMetaFile(HENHMETAFILE metafile);

namespace velorin::platform {

// The object a metafile handle stands for; the clipboard takes it over.
class MetafileObject : public HandleObject
{
public:
   explicit MetafileObject(std::string bytes) : bytes(std::move(bytes)) {}
   std::string bytes;
};

} // namespace velorin::platform
