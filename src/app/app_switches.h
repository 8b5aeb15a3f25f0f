#include "app/tessaro_app.h"
