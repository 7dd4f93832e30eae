#include "engine/supersampling.h"

int32_t Supersampling = 1;
