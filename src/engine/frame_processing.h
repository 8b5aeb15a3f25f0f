#pragma once

#include "engine/engine_globals.h"
