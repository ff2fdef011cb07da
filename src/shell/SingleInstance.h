#pragma once
#include <QString>
#include <memory>

class QLockFile;

// Only one IDE runs at a time. The first start holds a lock beside the
// settings file for its whole run; a later start hands its file over
// through the "OpenFile" setting and ends.
namespace SingleInstance {

// Takes the lock. Returns nullptr when another instance holds it.
std::unique_ptr<QLockFile> Acquire();

// Writes the trimmed command line to "OpenFile" for the running instance.
void HandOver(const QString& commandLine);

}  // namespace SingleInstance
