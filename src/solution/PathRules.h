#pragma once
#include <QString>

// The path rules of the solution file. Paths use "/"; a "\" (from a file
// written on Windows) is read as "/". Neither rule touches the file system.
namespace mdlFunctions {

// `target` relative to the folder `base` (no trailing "/"): "src/a.zbl",
// "../Shared/util.zbl". The common part of the two is counted in whole path
// components compared without regard to case; the root "/" counts as a
// common part. A target sharing no part with `base` (a relative target, or a
// path on another drive) comes back unchanged; an empty target gives "".
QString RelativePath(const QString& base, const QString& target);

// The path with its "." and ".." segments resolved (".." above the root stays
// at the root), doubled separators folded, and cut at its first NUL.
QString CanonicalPath(const QString& path);

}  // namespace mdlFunctions
