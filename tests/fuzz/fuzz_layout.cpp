// The layout file "zlay.lay": any bytes load without a crash, only a file of
// our own version yields a layout, and a layout saved loads back as saved.
// Whatever a file yields goes on to a real docking host.
//
// Qt fills its caches (styles, icons, fonts) as inputs come, so nearly every
// input would set off a whole-heap leak check; leaks are still looked for when
// the run ends.
// fuzz-flags: -detect_leaks=0
#include "LayoutFuzz.h"
#include "settings/LayoutStore.h"

using FuzzSupport::Show;

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    FuzzSupport::Init(true);
    LayoutFuzz::TheHost();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzSupport::Clear();
    const QString path = FuzzSupport::ScratchFile(QStringLiteral("zlay.lay"));
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    FuzzSupport::WriteFile(path, bytes);

    clsLayout loaded;
    loaded.Load(path);
    FUZZ_EXPECT(
        loaded.VersionRead() == loaded.LayoutVersion() || loaded.Layout().isEmpty(),
        QStringLiteral("a layout taken from a file of version %1").arg(Show(loaded.VersionRead())));
    LayoutFuzz::Check(loaded.Layout());

    // Saving what was read and loading it again gives the same layout.
    const QString copy = FuzzSupport::ScratchFile(QStringLiteral("copy.lay"));
    loaded.Save(copy);
    clsLayout again;
    again.Load(copy);
    FUZZ_EXPECT(again.VersionRead() == again.LayoutVersion() && again.Layout() == loaded.Layout(),
                QStringLiteral("saved %1, loaded %2 (version %3)")
                    .arg(Show(loaded.Layout()), Show(again.Layout()), Show(again.VersionRead())));
    return 0;
}
