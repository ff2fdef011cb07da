#include "solution/SolutionState.h"

SolutionRecord SolutionState;
