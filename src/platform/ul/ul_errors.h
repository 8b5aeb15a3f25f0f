// The one table of the library's error texts.
#pragma once

// Text of a library error code; nullptr for a code the library does not have.
const char* UlErrorText(int nCode);
