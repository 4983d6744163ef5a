#include "pkcore/PkCalculator.h"
#include "pkcore/SessionData.h"

#include <benchmark/benchmark.h>
