#include "common/text.h"
#include "db/Database.h"
#include "ui/Form.h"
