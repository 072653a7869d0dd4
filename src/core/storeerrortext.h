#pragma once

#include "storeerror.h"

#include <QString>

// What the user reads of a failure of event.db: what could not be done, to which file, why,
// and what to do about it.
QString storeErrorText(const StoreError &error);
