#pragma once
#include <QString>

// Access to INI files (solution files, argument files) with the rules of the
// Windows profile-string services, so that a file written by either system
// reads the same in both:
// - "[Section]" lines open a section; "Key=Value" lines belong to the section
//   above them (lines before the first section belong to none); lines that
//   start with ";" are comments.
// - Section and key names are compared without regard to case and without
//   their surrounding blanks. Values lose their surrounding blanks and one
//   pair of matching quotes (single or double).
// - A write changes or adds one line and keeps every other byte of the file,
//   line ends included (new lines take the file's own line end; CR LF in a new
//   file). The new file replaces the old one in one step, so a failed write
//   never leaves half a file.
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
// line break or NUL), creating the file, the section (at the end of the file)
// or the key (after the last entry of its section) as needed; a key that
// exists keeps its place. False when the file cannot be read or written or a
// name cannot be stored (empty, or holding a line break, or a key holding
// "=" or starting with "[" or ";").
bool WriteIniValue(const QString& file, const QString& section, const QString& key,
                   const QString& value);

// Removes every section of that name with all its lines, up to the next
// section header. True when there was nothing to remove.
bool DeleteIniSection(const QString& file, const QString& section);

}  // namespace mdlIniControl
