// A fresh empty working folder for one test: made and entered by Enter, left and removed by Leave (also
// by the destructor). Files the program writes relative to its working folder stay with the test.
#pragma once

#include <string>

class CTempWorkDir {
  public:
    CTempWorkDir() = default;
    ~CTempWorkDir() { Leave(); }
    CTempWorkDir(const CTempWorkDir&) = delete;
    CTempWorkDir& operator=(const CTempWorkDir&) = delete;

    // false when the folder could not be made or entered.
    bool Enter(const char* pszPrefix = "tessaro-test");
    void Leave();
    const std::string& Path() const { return m_strPath; }

  private:
    std::string m_strPath;
    std::string m_strOldDir;
};

// Makes a message loop that waits nMs of real time with nothing to do fail the running test and give up,
// instead of hanging it.
void FailTestOnStalledLoop(unsigned nMs);
