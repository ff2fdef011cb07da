#pragma once
#include <QByteArray>
#include <QString>

class QIODevice;

// Keeps the docking host's arrangement between runs in "zlay.lay", stamped
// with the program's version so that a layout saved by one build is never
// applied by another.
//
// The file is one variant record holding an array of bytes:
//   offset 0  u16 0x2011 (array of unsigned bytes), little-endian
//   offset 2  u16 number of dimensions: 1
//   offset 4  u32 number of elements N
//   offset 8  u32 lower bound: 0
//   offset 12 N bytes: a property bag with "Version" (text) and, when the
//             layout is not empty, "Layout" (bytes)
// Nothing about a bad file is ever reported: a missing, short or foreign file
// simply leaves the layout empty.
class clsLayout {
public:
    clsLayout();

    // "MM.mm.rrrr": the running program's major, minor and revision numbers.
    QString LayoutVersion() const { return layoutVersion; }

    QByteArray Layout() const { return layout; }
    void SetLayout(const QByteArray& blob) { layout = blob; }

    // The "Version" entry of the last file loaded ("" when none could be read).
    QString VersionRead() const { return versionRead; }

    // Reads the file; takes its layout only when its version is exactly ours.
    void Load(const QString& path);
    // The same from an open device positioned at the record (a file, a buffer).
    void Load(QIODevice& device);
    // Replaces the file, atomically: a failed write leaves the old file.
    void Save(const QString& path);

private:
    QString layoutVersion;
    QString versionRead;
    QByteArray layout;
};
