#pragma once
// #include "app/Commented.h" is no include
#include "Local.h"
#include "app/StartupFailure.h"
#  include <maint/MaintScreen.h>
#include "../db/Database.h"
#include <QString>
