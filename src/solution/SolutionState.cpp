#include "solution/SolutionState.h"

#include <limits>

SolutionRecord SolutionState;

QString SolutionRecord::NextFileKey() {
    FilesCount = FilesCount == std::numeric_limits<int>::max() ? 1 : FilesCount + 1;
    return QStringLiteral("file%1").arg(FilesCount);
}
