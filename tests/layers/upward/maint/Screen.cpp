#include "lookup/List.h"
#include "store/Rows.h"
#include "sysinfo/cProfile.h"
#include "db/Database.h"
