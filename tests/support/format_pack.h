// The packed arguments of one formatting call, for tests that compare packs.
#pragma once

#include <vector>

// *pOut gets what AfxPackFormatArguments packs for pszFormat and the arguments after it (empty when it
// refuses); its answer is returned.
bool PackFormat(std::vector<unsigned char>* pOut, const char* pszFormat, ...);
