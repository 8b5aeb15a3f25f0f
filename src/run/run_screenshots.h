#pragma once

#include <string>
#include <vector>

// One PNG per visible top-level window as it is now (AfxWriteScreenshots), in strFolder, which is made
// when missing. Call on the user-interface thread while its queue is idle. Returns the paths written;
// none with the reason in strWhy.
std::vector<std::string> WriteRunScreenshots(const std::string& strFolder, std::string& strWhy);
