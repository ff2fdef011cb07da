#pragma once
#include <QByteArray>
#include <QString>

// Replaces `path` with `bytes` through a temporary file in the same folder:
// written whole, flushed to disk and renamed over the old file, so readers
// see the old file or the new one, never half of either. A symbolic link is
// followed and its target replaced; an existing file keeps its permissions;
// an existing file that is not writable, or a folder in the file's place, is
// refused. Returns false, leaving the old file as it was, when any step fails
// (a full disk, a size limit, a read-only folder).
//
// The temporary is named ".NAME.zide-tmp-XXXXXX" and locked while it is
// written. One left behind by a writer that died is removed by the next
// write of the same file.
bool WriteFileAtomically(const QString& path, const QByteArray& bytes);
