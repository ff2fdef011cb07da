#pragma once

// Values an installation provides and the IDE only reads: the syntax file
// for each shipped source-file extension, and the shipped tool chain (the
// translator and the compiler and linker drivers in the program folder's
// bin/) for the build.
namespace InstallDefaults {

// Writes each default that is absent from the settings store and leaves every
// present value alone. Returns how many values it wrote.
int Write();

}  // namespace InstallDefaults
