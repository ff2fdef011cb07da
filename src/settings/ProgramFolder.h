#pragma once
#include <QString>

// Where the IDE finds its shipped files and keeps its settings. Every part of
// the program asks here, so tests can redirect both with ZIDE_HOME and
// ZIDE_REGISTRY.
namespace ProgramFolder {

// $ZIDE_HOME when set, else the folder of the running executable. No trailing "/".
QString Path();

// Path() + "/" + name.
QString File(const QString& name);

// $ZIDE_REGISTRY when set, else $XDG_CONFIG_HOME/zorbel-builder/registry.reg
// (XDG_CONFIG_HOME defaulting to ~/.config).
QString RegistryFile();

// Where the IDE keeps what a user writes (layout, the user's default solution,
// backups, the session): $ZIDE_DATA when set; else Path() when ZIDE_HOME is
// set, so a test's temporary home holds everything; else
// $XDG_DATA_HOME/zorbel-builder (~/.local/share by default). No trailing "/".
QString DataPath();
QString DataFile(const QString& name);

// Scratch files that may vanish between runs: $ZIDE_CACHE, else Path() under
// ZIDE_HOME, else $XDG_CACHE_HOME/zorbel-builder (~/.cache by default).
QString CachePath();
QString CacheFile(const QString& name);

}  // namespace ProgramFolder
