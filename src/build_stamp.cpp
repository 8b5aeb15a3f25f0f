#include "build_stamp.h"

extern const CBuildStamp g_BuildStamp = {"TessaroPro build:", __DATE__, __TIME__};
