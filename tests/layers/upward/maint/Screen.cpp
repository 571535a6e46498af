#include "lookup/List.h"
#include "sysinfo/cProfile.h"
