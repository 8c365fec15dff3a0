#include "alerts/cleartmp.h"

// Placeholder until the clean-up lands.
void ClearTmp() {}
