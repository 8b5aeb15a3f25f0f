// State of the library start.
#pragma once

#include "board/board_globals.h"
