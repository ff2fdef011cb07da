#pragma once
#include <QHash>
#include <QString>

// What the Project Properties dialog keeps in the solution file beyond the
// start-up module and the batch file: its own [Properties] section, which
// the Windows program ignores. Only the program start reads it here.
//
// One key per property of the dialog's pages:
//
//   General    ConfigurationType  the choice's text ("Console Aplication", ...)
//              UseCOM, UseActiveX, GenerateHeader, DumpCppOnly,
//              RedirectOutputs, UseMakeFile          "True" / "False"
//              ExceptionHandling  the choice's text
//              Description        free text
//   Debugging  Command            the program to start, as entered
//              CommandArguments   its command line arguments
//              WorkingDirectory   the folder to start it in, as entered
//
// A property never given a value has no key. Values keep their blanks (a
// value with blanks or quotes at its ends is written in double quotes), end
// at a line break, and read back at most 254 characters long.
namespace SolutionProperties {

inline constexpr char Section[] = "Properties";

inline constexpr char ConfigurationType[] = "ConfigurationType";
inline constexpr char UseCOM[] = "UseCOM";
inline constexpr char UseActiveX[] = "UseActiveX";
inline constexpr char ExceptionHandling[] = "ExceptionHandling";
inline constexpr char GenerateHeader[] = "GenerateHeader";
inline constexpr char DumpCppOnly[] = "DumpCppOnly";
inline constexpr char RedirectOutputs[] = "RedirectOutputs";
inline constexpr char UseMakeFile[] = "UseMakeFile";
inline constexpr char Description[] = "Description";
inline constexpr char Command[] = "Command";
inline constexpr char CommandArguments[] = "CommandArguments";
inline constexpr char WorkingDirectory[] = "WorkingDirectory";

// The Debugging page: what to start after a build instead of the built
// program, with which arguments, in which folder. All "" when unset.
struct RunSettings {
    QString command;
    QString arguments;
    QString workingDirectory;
};

// The run settings stored in the solution file `solutionFile`; all "" when
// the file, the section or a value is missing.
RunSettings ReadRunSettings(const QString& solutionFile);

// Every value of the [Properties] section of `solutionFile` whose key is one
// of the keys above (matched without regard to case), under the key as
// spelled above. Empty values and other keys are left out; a missing file
// or section gives an empty table.
QHash<QString, QString> ReadProperties(const QString& solutionFile);

// Writes `values` (key as above → value) into the [Properties] section of
// the existing file `solutionFile` in one replace of the file: a non-empty
// value sets its key; an empty one clears a key the section holds and adds
// none. Every other line of the file, other keys of the section included,
// stays as it was. Never creates the file: false when it does not exist or
// could not be written.
bool WriteProperties(const QString& solutionFile, const QHash<QString, QString>& values);

}  // namespace SolutionProperties
