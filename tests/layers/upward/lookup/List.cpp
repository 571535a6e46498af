#include "lookup/List.h"

#include "common/text.h"
#include "db/Database.h"
#include "settings/Settings.h"
#include "ui/Form.h"
