// State shared by every channel's analog output.
#pragma once

#include "engine/engine_globals.h"
