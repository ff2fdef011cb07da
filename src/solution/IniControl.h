#pragma once
#include <QList>
#include <QString>
#include <utility>

// Access to INI files (solution files, argument files) with the rules of the
// Windows profile-string services, so that a file written by either system
// reads the same in both:
// - "[Section]" lines open a section; "Key=Value" lines belong to the section
//   above them (lines before the first section belong to none); lines that
//   start with ";" are comments.
// - Section and key names are compared without regard to case and without
//   their surrounding blanks (a byte-order mark and ^Z count as blanks),
//   trimmed the same way when read and when written. Values lose their
//   surrounding blanks and one pair of matching quotes (single or double).
// - A write changes or adds one line and keeps every other byte of the file,
//   line ends included (new lines take the file's own line end; CR LF in a new
//   file). The new file replaces the old one in one step, so a failed write
//   never leaves half a file.
// - Writers lock the file (".NAME.lock" beside it) while they read, change and
//   replace it, so two processes writing one file lose nothing. A lock that
//   cannot be had (a read-only folder, a stuck holder) does not stop a write:
//   it then succeeds or fails as it would have without locks.
// - Files are 8-bit text: values are read as UTF-8 where they are valid
//   UTF-8, else as Latin-1, and written as UTF-8.
// Failures are not reported beyond the result: a missing file reads as "".
namespace mdlIniControl {

// A read returns at most this many characters, as the 255-character buffer of
// the profile services did.
inline constexpr int MaxValueLength = 254;

// The value of `key` in `section`, or "" when the file, section or key is
// missing or the value is empty.
QString ReadIniValue(const QString& file, const QString& section, const QString& key);

// Sets `key` in `section` to `value` (one line: the value ends at its first
// line break or NUL), creating the file, the section (after the file's last
// line) or the key (after the last entry of its section) as needed; a key
// that exists keeps its place. False when the file cannot be read or written
// or a name cannot be stored (empty, or holding a line break, or a key
// holding "=" or starting with "[" or ";").
bool WriteIniValue(const QString& file, const QString& section, const QString& key,
                   const QString& value);

// Removes every section of that name with all its lines, up to the next
// section header. True when there was nothing to remove.
bool DeleteIniSection(const QString& file, const QString& section);

// Every entry of the first section of that name, in file order, as pairs of
// key and value: the names trimmed, the values as ReadIniValue gives them.
// Lines without a name are left out. One read of the file however many keys
// a caller then looks for. Empty when the file or section is missing.
QList<std::pair<QString, QString>> ReadIniSection(const QString& file, const QString& section);

// Many writes and section deletes to one file made at once: one read, one
// lock and one replace for a whole solution save. The file ends up byte for
// byte as the same single calls in the same order would leave it.
class IniBatch {
public:
    explicit IniBatch(const QString& file);

    void WriteValue(const QString& section, const QString& key, const QString& value);
    void DeleteSection(const QString& section);

    // Applies what was gathered and forgets it. False when the file cannot be
    // read or written, or when a change was refused as the single call would
    // refuse it (the others are still made).
    bool Commit();

private:
    struct Change {
        bool remove;  // a section delete; otherwise a write
        QString section;
        QString key;
        QString value;
    };
    QString file;
    QList<Change> changes;
};

}  // namespace mdlIniControl
