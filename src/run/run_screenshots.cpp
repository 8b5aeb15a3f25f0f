#include "run/run_screenshots.h"

#include <filesystem>
#include <system_error>

#include "platform/screen/screenshot.h"
#include "platform/win/snapshot.h"

std::vector<std::string> WriteRunScreenshots(const std::string& strFolder, std::string& strWhy) {
    strWhy.clear();
    std::error_code ec;
    std::filesystem::create_directories(strFolder, ec);
    if (ec) {
        strWhy = ec.message();
        return {};
    }
    std::vector<std::string> paths = AfxWriteScreenshots(AfxTakeScreenSnapshot(), strFolder);
    if (paths.empty()) strWhy = "no visible window could be written";
    return paths;
}
