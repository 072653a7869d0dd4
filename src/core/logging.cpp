#include "logging.h"

Q_LOGGING_CATEGORY(lcStore, "tasquill.store", QtInfoMsg)
Q_LOGGING_CATEGORY(lcClock, "tasquill.clock", QtInfoMsg)
Q_LOGGING_CATEGORY(lcSound, "tasquill.sound")
