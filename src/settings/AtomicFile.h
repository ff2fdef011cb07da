#pragma once
#include <QByteArray>
#include <QString>

// Replaces `path` with `bytes` through a temporary file renamed over it, so
// readers see the old file or the new one, never half of either. QSaveFile
// alone would commit a short write as if it were whole; this checks the
// count and the flush first. Returns false, leaving the old file, on failure.
bool WriteFileAtomically(const QString& path, const QByteArray& bytes);
