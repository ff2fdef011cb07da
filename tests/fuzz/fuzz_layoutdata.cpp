// The layout data inside "zlay.lay", handed to a real docking host: no byte
// sequence crashes it, and whatever it takes round-trips.
//
// Qt fills its caches (styles, icons, fonts) as inputs come, so nearly every
// input would set off a whole-heap leak check; leaks are still looked for when
// the run ends.
// fuzz-flags: -detect_leaks=0
#include "LayoutFuzz.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    FuzzSupport::Init(true);
    LayoutFuzz::TheHost();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    LayoutFuzz::Check(
        QByteArray(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size)));
    return 0;
}
