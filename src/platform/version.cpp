#include "platform/version.h"

const char* TabulonVersion() { return TABULON_VERSION; }
