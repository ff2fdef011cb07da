#include "settings/InstallDefaults.h"

#include <utility>

#include "settings/Registry.h"

namespace InstallDefaults {

int Write() {
    using namespace mdlRegistry;
    static const std::pair<const char*, const char*> syntaxFiles[] = {
        {"zbl", "zbl.syn"}, {"zlm", "zbl.syn"}, {"cpp", "cpp.syn"}, {"c", "cpp.syn"},
        {"h", "cpp.syn"},
    };
    int written = 0;
    for (const auto& [extension, file] : syntaxFiles) {
        const QString name = QString::fromLatin1(extension);
        if (GetRegValue(RegRoot::LocalMachine, SyntaxKey, name, nullptr, nullptr)) continue;
        SetRegString(RegRoot::LocalMachine, SyntaxKey, name, QString::fromLatin1(file));
        ++written;
    }
    return written;
}

}  // namespace InstallDefaults
