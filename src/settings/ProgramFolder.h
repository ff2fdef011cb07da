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

}  // namespace ProgramFolder
