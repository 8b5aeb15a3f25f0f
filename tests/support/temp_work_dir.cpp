#include "support/temp_work_dir.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>

#include "platform/win/message_loop.h"
#include "platform/win/message_loop_testing.h"

bool CTempWorkDir::Enter(const char* pszPrefix) {
    Leave();
    char szOld[4096] = {};
    if (getcwd(szOld, sizeof szOld) == nullptr) return false;
    std::string strTemplate =
        (std::filesystem::temp_directory_path() / (std::string(pszPrefix) + "-XXXXXX")).string();
    if (mkdtemp(strTemplate.data()) == nullptr) return false;
    if (chdir(strTemplate.c_str()) != 0) {
        std::error_code ec;
        std::filesystem::remove_all(strTemplate, ec);
        return false;
    }
    m_strOldDir = szOld;
    m_strPath = strTemplate;
    return true;
}

void CTempWorkDir::Leave() {
    if (m_strPath.empty()) return;
    if (chdir(m_strOldDir.c_str()) == 0) {
        std::error_code ec;
        std::filesystem::remove_all(m_strPath, ec);
    }
    m_strPath.clear();
    m_strOldDir.clear();
}

void FailTestOnStalledLoop(unsigned nMs) {
    CMessageLoopTesting::SetStallHandler(
        [] {
            ADD_FAILURE() << "a message loop waited with nothing to do; abandoned";
            return true;
        },
        nMs);
}
