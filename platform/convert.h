#pragma once

// Moved to base/; this keeps older includes building.
#include "base/convert.h"
