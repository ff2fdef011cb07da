#pragma once
#include <QByteArray>
#include <QString>

// The settings store: a registry of keys and typed values kept in the user's
// REGEDIT4 text file (ProgramFolder::RegistryFile()). There is no cache:
// every call reads the file, and every write locks it, rereads it, changes
// one thing and replaces the file atomically, so two running IDEs never lose
// each other's writes; every other byte of the file stays as it was. Key
// paths use "\" as on Windows and are compared without regard to case; value
// names likewise.
//
// Beneath the user's file lies the installation's, read-only: defaults.reg in
// the program folder (see InstallDefaults). A value absent from the user's
// file is read from it, a value in the user's file always wins, and subkeys
// enumerate from both. It is never written: writes change the user's file
// only, so the way to override a default is to store another value (an
// empty string included). Deleting a key deletes the user's copy; what the
// defaults hold under that key then reads again. Since it never changes while
// the IDE runs, it is parsed once per version of the file.
//
// Writes return false when nothing was stored: a name or key path holding a
// line break or NUL (refused, the file untouched), or a file that cannot be
// read, set aside or replaced. A lock that a stuck process keeps for seconds
// does not stop a write: after a short wait it goes ahead without the lock.
namespace mdlRegistry {

enum class RegRoot { LocalMachine, CurrentUser, ClassesRoot };

// The kinds of value the file can hold.
enum class RegType { String, ExpandString, DWord, Binary };

// "SOFTWARE\TORVANE\Zorbel Builder\" and the three product keys below it.
extern const QString ProductKeyPath;
extern const QString SettingsKey;
extern const QString FormsKey;
extern const QString SyntaxKey;

// The text of a string or expandable-string value (unexpanded), cut at its
// first zero character; "" when the key or value is absent or of another type.
QString GetRegString(RegRoot root, const QString& subKey, const QString& valueName);

// Sets a string value (no terminating zero stored), creating the key and any
// missing parent keys. Callers that have no use for the result ignore it.
// A value that the user's file lacks and that the defaults hold with the same
// type and bytes is not copied into the user's file: it already reads so.
bool SetRegString(RegRoot root, const QString& subKey, const QString& valueName,
                  const QString& text);

// Removes the key with its values from the user's file; true when it is gone
// from there. As on Windows, a key that has subkeys in that file stays
// (false). The defaults' values under the key are not removed and read again.
bool DeleteRegKey(RegRoot root, const QString& subKey);

// The name of the key's first subkey in either file, or "".
QString GetFirstRegSubKey(RegRoot root, const QString& subKey);

// The per-user environment block: values under HKEY_CURRENT_USER\Environment.
QString GetUserEnvVar(const QString& name);
bool SetUserEnvVar(const QString& name, const QString& text);  // stored trimmed
// Announces a change of the environment block. Linux has no such broadcast;
// the operation exists for its callers and does nothing.
void BroadcastEnvChange();

// Typed access, layered like the string access, for tests that need values
// of other types than the IDE writes. `data` is the value's raw bytes as
// Windows stores them: strings in the 8-bit code page (with or without
// terminating zero), a DWord as 4 little-endian bytes.
bool SetRegValue(RegRoot root, const QString& subKey, const QString& valueName, RegType type,
                 const QByteArray& data);
// True, with type and raw bytes, when the value exists.
bool GetRegValue(RegRoot root, const QString& subKey, const QString& valueName, RegType* type,
                 QByteArray* data);

}  // namespace mdlRegistry
