#pragma once
#include <QString>

// The one open solution: its name, file, start-up module, build batch and the
// counter that makes module window keys unique ("file" + FilesCount).
struct SolutionRecord {
    QString Name;
    QString SolutionPath;
    QString Startup;
    QString BuildBatch;
    int FilesCount = 0;

    void Reset() { *this = SolutionRecord{}; }

    // Advances the counter and returns the key it now makes: "file3". A
    // counter read from a file may stand at the top of its range; it starts
    // again at 1 rather than overflowing.
    QString NextFileKey();
};

// Process-wide, as there is exactly one open solution at a time.
extern SolutionRecord SolutionState;
