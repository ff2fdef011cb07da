#pragma once
#include <QString>

// The files a user writes, kept out of the program folder (which an
// installation shares read-only between users): the layout and the user's
// default solution in the data folder, scratch builds in the cache folder.
// Each folder is made when first needed.
namespace UserFiles {

// Makes `folder` and its parents when missing; false when it cannot be had.
bool MakeFolder(const QString& folder);

// The layout file, "zlay.lay" in the data folder.
QString LayoutFile();

// The user's own "!default.zsl" in the data folder. On first use it starts as
// a copy of the program folder's shipped one, writable whatever the shipped
// file's permissions; when that cannot be copied the path is still returned,
// and the first write creates the file.
QString DefaultSolution();

// `name` in the cache folder, the folder made.
QString ScratchFile(const QString& name);

}  // namespace UserFiles
