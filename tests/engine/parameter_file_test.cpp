#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <csignal>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <limits>
#include <mutex>
#include <random>
#include <regex>
#include <string>
#include <thread>
#include <vector>

#include "app/about_box.h"
#include "engine/parameter_file.h"
#include "engine/parameter_file_testing.h"
#include "engine/signal_codes.h"
#include "platform/ul/cbw.h"
#include "platform/win/user_agent_testing.h"
#include "resources/resource.h"
#include "support/main_dialog_fixture.h"

namespace {

using Bytes = std::vector<unsigned char>;

constexpr const char* kNotFoundDefault =
    "Saved parameter file \".\\Settings\\TessaroParams.prm\" was not found...                   \n\n"
    "Loading default values.       ";

// Opens the other end of a FIFO when the test has not finished after a few seconds, so that an open
// that waits for a partner returns and the test fails instead of hanging. A write into the FIFO then
// fails (SIGPIPE is ignored meanwhile) and a read sees its end.
class CFifoWatchdog {
  public:
    explicit CFifoWatchdog(std::string strPath) : m_strPath(std::move(strPath)) {
        m_pfnOldPipe = std::signal(SIGPIPE, SIG_IGN);
        m_thread = std::thread([this] {
            std::unique_lock<std::mutex> lock(m_mtx);
            if (m_cv.wait_for(lock, std::chrono::seconds(3), [this] { return m_bDone; })) return;
            m_bFired = true;
            const int fd = ::open(m_strPath.c_str(), O_RDWR | O_NONBLOCK);
            if (fd >= 0) ::close(fd);
        });
    }
    ~CFifoWatchdog() {
        Stop();
        std::signal(SIGPIPE, m_pfnOldPipe);
    }
    // true when the watchdog had to step in.
    bool Stop() {
        {
            std::lock_guard<std::mutex> lock(m_mtx);
            m_bDone = true;
        }
        m_cv.notify_all();
        if (m_thread.joinable()) m_thread.join();
        return m_bFired;
    }

  private:
    std::string m_strPath;
    void (*m_pfnOldPipe)(int) = SIG_DFL;
    std::mutex m_mtx;
    std::condition_variable m_cv;
    bool m_bDone = false;
    std::atomic<bool> m_bFired{false};
    std::thread m_thread;
};

class ParameterFile : public MainDialogFixture {
  protected:
    void SetUp() override {
        MainDialogFixture::SetUp();
        ResetParamFileTesting();
        SetParamFileKeptHook(nullptr);
        m_pDlg->m_strDefaultParamPath = DEFAULT_PARAM_PATH;
    }
    void TearDown() override {
        ResetParamFileTesting();
        SetParamFileKeptHook(nullptr);
        MainDialogFixture::TearDown();
    }
    // Discovers the devices and applies the defaults, as a start-up without a file would.
    void StartWith(const std::string& strDevices) {
        if (!strDevices.empty()) AttachDevices(strDevices);
        Discover();
        m_pDlg->LoadDefaultParameters(g_Params);
        CRecordingUserAgentTesting::ClearEvents(AfxGetScriptedUserAgent());
        CSimBoards::ClearCallLog();
    }
    static Bytes Image(const ParameterBlock& params) {
        const auto* p = reinterpret_cast<const unsigned char*>(&params);
        return Bytes(p, p + sizeof params);
    }
    static void WriteBytes(const std::string& strPath, const Bytes& bytes) {
        std::ofstream out(strPath, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    }
    static Bytes ReadBytes(const std::string& strPath) {
        std::ifstream in(strPath, std::ios::binary);
        return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    static void WriteBlock(const std::string& strPath, const ParameterBlock& params) {
        WriteBytes(strPath, Image(params));
    }
    static void WriteDefaultFile(const ParameterBlock& params) {
        std::filesystem::create_directory("Settings");
        WriteBlock("Settings/TessaroParams.prm", params);
    }
    static std::vector<std::string> BoxTexts() {
        std::vector<std::string> texts;
        for (const CUserEvent& ev : CRecordingUserAgentTesting::MessageBoxes(AfxGetScriptedUserAgent()))
            texts.push_back(ev.strText.Str());
        return texts;
    }
    static std::vector<CUserEvent> FileDialogs() {
        std::vector<CUserEvent> dialogs;
        for (const CUserEvent& ev : CRecordingUserAgentTesting::Events(AfxGetScriptedUserAgent()))
            if (ev.nKind != CUserEvent::MessageBox) dialogs.push_back(ev);
        return dialogs;
    }
    // The names in a folder, sorted.
    static std::vector<std::string> FolderNames(const std::string& strFolder) {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(strFolder))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }
    HMENU Menu() const { return ::GetMenu(m_pDlg->GetSafeHwnd()); }
    bool Checked(UINT nId) const { return (::GetMenuState(Menu(), nId, MF_BYCOMMAND) & MF_CHECKED) != 0; }
    // Every setting that LoadDefaultParameters gives, checked against g_Params.
    static void ExpectDefaults() {
        EXPECT_EQ(PARAMS_VERSION, g_Params.nVersion);
        EXPECT_EQ(PARAMS_SIZE, g_Params.nSize);
        EXPECT_EQ(1, g_Params.bRoiOutput);
        EXPECT_EQ(0, g_Params.bTtlInputMarkers);
        EXPECT_EQ(2, g_Params.nQualityThreshold);
        EXPECT_EQ(ID_TTL_LEDS, g_Params.nTtlRadixId);
        for (int ch = 0; ch < MAX_CHANNELS; ++ch) {
            EXPECT_EQ(g_DefaultSignalCodes[ch], g_Params.nSignalCode[ch]);
            EXPECT_EQ(4, g_Params.range[ch].nRangeCode);
            EXPECT_EQ(101, g_Params.range[ch].nUlRange);
            EXPECT_EQ(0.0f, g_Params.fDomainMin[ch]);
            EXPECT_EQ(1.0f, g_Params.fDomainMax[ch]);
            EXPECT_EQ(0, g_Params.nEye[ch]);
            EXPECT_EQ(0, g_Params.bInvert[ch]);
        }
    }
    // A record that differs from the defaults in every kind of field.
    void ChangeSettings() {
        m_pDlg->SetQualityThreshold(5);
        m_pDlg->SetTtlRadix(ID_TTL_HEX, TRUE);
        m_pDlg->EnableTtlInputMarkers(TRUE);
        g_Params.nSignalCode[3] = MakeSignalCode(SIGNAL_PUPIL_POINT, AXIS_Y);
        g_Params.range[3] = {1, BIP5VOLTS};
        g_Params.fDomainMin[3] = -2.5f;
        g_Params.fDomainMax[3] = 7.25f;
        g_Params.nEye[3] = 1;
        g_Params.bInvert[3] = 1;
    }
};

}  // namespace

TEST_F(ParameterFile, RoundTripRestoresEveryByteTheBoardAndTheMarks) {
    StartWith("PCI-DDA08/12:A1,PCI-DIO24:B2");
    ASSERT_EQ(ID_BOARD_FIRST, g_Params.nBoardMenuId);
    ChangeSettings();
    const Bytes saved = Image(g_Params);

    AfxGetScriptedUserAgent().QueueFile("rig.prm");
    m_pDlg->SaveParameters(TRUE, FALSE);
    EXPECT_EQ(std::vector<std::string>{"Parameters Saved.    "}, BoxTexts());
    EXPECT_EQ("rig.prm", m_pDlg->m_strLastParamPath.Str());
    const Bytes file = ReadBytes("rig.prm");
    ASSERT_EQ(static_cast<size_t>(PARAMS_SIZE), file.size());
    EXPECT_EQ(saved, file);
    EXPECT_EQ((Bytes{4, 0, 0, 0, 0xB4, 2, 0, 0}), Bytes(file.begin(), file.begin() + 8));

    // Change everything, then load the file back.
    m_pDlg->SelectBoard(ID_BOARD_FIRST + 1);
    m_pDlg->SetQualityThreshold(0);
    m_pDlg->SetTtlRadix(ID_TTL_BINARY, TRUE);
    m_pDlg->EnableTtlInputMarkers(FALSE);
    g_Params.fDomainMax[3] = 99.0f;
    CRecordingUserAgentTesting::ClearEvents(AfxGetScriptedUserAgent());
    AfxGetScriptedUserAgent().QueueFile("rig.prm");
    m_pDlg->LoadParameters(TRUE);

    EXPECT_TRUE(BoxTexts().empty());
    EXPECT_EQ(saved, Image(g_Params));
    EXPECT_EQ(FAMILY_DDA, m_pDlg->m_nBoardFamily);
    EXPECT_EQ(8, m_pDlg->m_nChannels);
    EXPECT_TRUE(Checked(ID_BOARD_FIRST));
    EXPECT_FALSE(Checked(ID_BOARD_FIRST + 1));
    EXPECT_TRUE(Checked(ID_QUALITY_SCAN_FAILED));
    EXPECT_FALSE(Checked(ID_QUALITY_GLINT_GOOD));
    EXPECT_TRUE(Checked(ID_TTL_HEX));
    EXPECT_FALSE(Checked(ID_TTL_BINARY));
    EXPECT_TRUE(Checked(ID_TTL_INPUT_MARKERS));
    EXPECT_TRUE(Checked(ID_TTL_ROI_OUTPUT));
    EXPECT_EQ(" bitCode(ROI):  (hex) 0", WindowText(IDC_TTL_OUTPUT));

    // Both dialogs: the filter, the extension, one flag each, the classic style, the dialog as owner,
    // and the path last saved or loaded as the initial name.
    AfxGetScriptedUserAgent().QueueFile("second.prm");
    m_pDlg->SaveParameters(TRUE, TRUE);
    EXPECT_EQ("second.prm", m_pDlg->m_strLastParamPath.Str());
    CScriptedUserAgentTesting::QueueAnswer(AfxGetScriptedUserAgent(), IDCANCEL);
    m_pDlg->LoadParameters(TRUE);
    const std::vector<CUserEvent> dialogs = FileDialogs();
    ASSERT_EQ(3u, dialogs.size());
    EXPECT_EQ(CUserEvent::FileOpen, dialogs[0].nKind);
    EXPECT_EQ(CUserEvent::FileSave, dialogs[1].nKind);
    EXPECT_EQ(CUserEvent::FileOpen, dialogs[2].nKind);
    EXPECT_EQ("rig.prm", dialogs[0].strFileName.Str());
    EXPECT_EQ("rig.prm", dialogs[1].strFileName.Str());
    EXPECT_EQ("second.prm", dialogs[2].strFileName.Str());
    for (const CUserEvent& dlg : dialogs) {
        EXPECT_EQ(PARAM_FILE_FILTER, dlg.strFilter.Str());
        EXPECT_EQ("prm", dlg.strDefExt.Str());
        EXPECT_FALSE(dlg.bVistaStyle);
        EXPECT_EQ(m_pDlg->GetSafeHwnd(), dlg.hOwner);
        const bool bOpen = dlg.nKind == CUserEvent::FileOpen;
        EXPECT_EQ(bOpen, (dlg.nFlags & OFN_FILEMUSTEXIST) != 0);
        EXPECT_EQ(!bOpen, (dlg.nFlags & OFN_OVERWRITEPROMPT) != 0);
        EXPECT_EQ(0u, dlg.nFlags & OFN_HIDEREADONLY);
    }
    EXPECT_TRUE(BoxTexts().empty());  // quiet: no success box
}

TEST_F(ParameterFile, RejectedFilesKeepTheSettingsInteractivelyAndGiveDefaultsSilently) {
    StartWith("PCI-DDA08/12:A1");
    ChangeSettings();
    const Bytes before = Image(g_Params);
    ParameterBlock other = g_Params;
    other.nQualityThreshold = 0;

    struct Case {
        const char* name;
        Bytes bytes;
        const char* interactive;
        const char* silent;
    };
    Bytes oldVersion = Image(other);
    oldVersion[0] = 3;
    Bytes negativeVersion = Image(other);
    negativeVersion[3] = 0xFF;
    Bytes shortFile = Image(other);
    shortFile.pop_back();
    const char* kOldI = "Old version of parameter file...Retaining previous settings.          ";
    const char* kReadI = "Error reading parameter file...Retaining previous settings.          ";
    const char* kOldS = "Old version of parameter file...                \n\nLoading default values.       ";
    const char* kReadS = "Error reading parameter file...                \n\nLoading default values.       ";
    const std::vector<Case> cases = {
        {"old", oldVersion, kOldI, kOldS},  {"negative", negativeVersion, kOldI, kOldS},
        {"691", shortFile, kReadI, kReadS}, {"3 bytes", Bytes{4, 0, 0}, kReadI, kReadS},
        {"empty", Bytes{}, kReadI, kReadS}, {"short old", Bytes{9, 0, 0, 0, 1}, kOldI, kOldS},
    };
    std::filesystem::create_directory("Settings");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        WriteBytes("bad.prm", c.bytes);
        CRecordingUserAgentTesting::ClearEvents(AfxGetScriptedUserAgent());
        AfxGetScriptedUserAgent().QueueFile("bad.prm");
        m_pDlg->LoadParameters(TRUE);
        EXPECT_EQ(std::vector<std::string>{c.interactive}, BoxTexts());
        EXPECT_EQ(before, Image(g_Params));
        EXPECT_TRUE(Checked(ID_QUALITY_SCAN_FAILED));
        EXPECT_TRUE(Checked(ID_TTL_HEX));
        EXPECT_TRUE(m_pDlg->m_strLastParamPath.IsEmpty());

        WriteBytes("Settings/TessaroParams.prm", c.bytes);
        CRecordingUserAgentTesting::ClearEvents(AfxGetScriptedUserAgent());
        m_pDlg->LoadParameters(FALSE);
        EXPECT_EQ(std::vector<std::string>{c.silent}, BoxTexts());
        ExpectDefaults();
        EXPECT_TRUE(Checked(ID_QUALITY_FALL_BACK));
        EXPECT_TRUE(Checked(ID_TTL_LEDS));
        EXPECT_EQ(ID_BOARD_FIRST, g_Params.nBoardMenuId);
        ChangeSettings();
    }

    // Longer than the record: the first 692 bytes count. nSize is not looked at.
    Bytes longer = Image(other);
    longer.push_back(0x77);
    std::fill(longer.begin() + 4, longer.begin() + 8, 0);
    WriteBytes("long.prm", longer);
    CRecordingUserAgentTesting::ClearEvents(AfxGetScriptedUserAgent());
    AfxGetScriptedUserAgent().QueueFile("long.prm");
    m_pDlg->LoadParameters(TRUE);
    EXPECT_TRUE(BoxTexts().empty());
    EXPECT_EQ(0, g_Params.nSize);
    EXPECT_EQ(0, g_Params.nQualityThreshold);
    EXPECT_TRUE(Checked(ID_QUALITY_GLINT_GOOD));
    EXPECT_EQ("long.prm", m_pDlg->m_strLastParamPath.Str());
}

TEST_F(ParameterFile, AMissingFileGivesTheDefaultsInBothForms) {
    AttachDevices("PCI-DDA08/12:A1");
    Discover();
    g_Params.nQualityThreshold = 4;
    m_pDlg->LoadParameters(FALSE);  // no Settings folder at all
    EXPECT_EQ(std::vector<std::string>{kNotFoundDefault}, BoxTexts());
    ExpectDefaults();
    EXPECT_EQ(ID_BOARD_FIRST, g_Params.nBoardMenuId);
    EXPECT_STREQ("PCI-DDA08/12", g_Params.szBoardName);
    EXPECT_TRUE(Checked(ID_QUALITY_FALL_BACK));
    EXPECT_TRUE(Checked(ID_TTL_LEDS));
    EXPECT_TRUE(Checked(ID_TTL_ROI_OUTPUT));
    EXPECT_FALSE(Checked(ID_TTL_INPUT_MARKERS));
    EXPECT_EQ(" Initialized to zero", WindowText(IDC_TTL_OUTPUT));

    CRecordingUserAgentTesting::ClearEvents(AfxGetScriptedUserAgent());
    AfxGetScriptedUserAgent().QueueFile("/nowhere/x.prm");
    g_Params.nQualityThreshold = 4;
    m_pDlg->LoadParameters(TRUE);
    EXPECT_EQ(
        std::vector<std::string>{
            "Saved parameter file \"/nowhere/x.prm\" was not found...                   \n\n"
            "Loading default values.       "},
        BoxTexts());
    EXPECT_EQ(2, g_Params.nQualityThreshold);
    EXPECT_TRUE(m_pDlg->m_strLastParamPath.IsEmpty());

    // The exit save cannot create the missing folder; once it exists the quiet save shows nothing.
    const Bytes before = Image(g_Params);
    CRecordingUserAgentTesting::ClearEvents(AfxGetScriptedUserAgent());
    m_pDlg->SaveParameters(FALSE, TRUE);
    EXPECT_EQ(std::vector<std::string>{"Could not open parameter file for saving.  "}, BoxTexts());
    EXPECT_EQ(before, Image(g_Params));
    std::filesystem::create_directory("Settings");
    CRecordingUserAgentTesting::ClearEvents(AfxGetScriptedUserAgent());
    m_pDlg->SaveParameters(FALSE, TRUE);
    EXPECT_TRUE(BoxTexts().empty());
    EXPECT_EQ(before, ReadBytes("Settings/TessaroParams.prm"));
    EXPECT_TRUE(m_pDlg->m_strLastParamPath.IsEmpty());

    // Silent load of that file: accepted, no path remembered.
    CRecordingUserAgentTesting::ClearEvents(AfxGetScriptedUserAgent());
    m_pDlg->LoadParameters(FALSE);
    EXPECT_TRUE(BoxTexts().empty());
    EXPECT_EQ(before, Image(g_Params));
    EXPECT_TRUE(m_pDlg->m_strLastParamPath.IsEmpty());
}

TEST_F(ParameterFile, TheDefaultsChooseTheFirstBoardUnlessOnlyTheSimulatedOneRuns) {
    Discover();  // no device: the simulated board is record 0
    m_pDlg->LoadDefaultParameters(g_Params);
    EXPECT_EQ(ID_BOARD_NONE, g_Params.nBoardMenuId);
    EXPECT_EQ(" No Board (or not selected).", WindowText(IDC_TTL_OUTPUT));
    EXPECT_EQ(" No Board (or not selected).", WindowText(IDC_TTL_INPUT));
    ExpectDefaults();

    m_pDlg->SelectBoard(ID_BOARD_FIRST);
    ASSERT_TRUE(m_pDlg->m_bSimulatedBoard);
    m_pDlg->LoadDefaultParameters(g_Params);
    EXPECT_EQ(ID_BOARD_NONE, g_Params.nBoardMenuId);
    EXPECT_TRUE(Checked(ID_BOARD_NONE));
}

TEST_F(ParameterFile, AFileOfAnAbsentBoardGivesTheDefaults) {
    StartWith("PCI-DDA08/12:A1");
    ChangeSettings();
    const ParameterBlock changed = g_Params;
    struct Case {
        const char* name;
        bool bMessage;
    };
    for (const Case& c : {Case{"PCI-DDA08/12-Demo", true}, Case{"USB-1208FS", false}, Case{"", false},
                          Case{"old PCI-DDA08/12-Demo copy", true}, Case{"PCI-DDA08/12 ", false}}) {
        SCOPED_TRACE(c.name);
        ParameterBlock file = changed;
        std::memset(file.szBoardName, 0, sizeof file.szBoardName);
        std::strcpy(file.szBoardName, c.name);
        WriteBlock("absent.prm", file);
        g_Params = changed;
        CRecordingUserAgentTesting::ClearEvents(AfxGetScriptedUserAgent());
        AfxGetScriptedUserAgent().QueueFile("absent.prm");
        m_pDlg->LoadParameters(TRUE);
        EXPECT_EQ(c.bMessage ? std::vector<std::string>{"Previously used board not found."}
                             : std::vector<std::string>{},
                  BoxTexts());
        ExpectDefaults();  // not even the channel settings are kept
        EXPECT_STREQ("PCI-DDA08/12", g_Params.szBoardName);
        EXPECT_TRUE(m_pDlg->m_strLastParamPath.IsEmpty());
    }
}

TEST_F(ParameterFile, CancelledDialogsChangeAndShowNothing) {
    StartWith("PCI-DDA08/12:A1");
    const Bytes before = Image(g_Params);
    CScriptedUserAgentTesting::QueueAnswer(AfxGetScriptedUserAgent(), IDCANCEL);
    m_pDlg->LoadParameters(TRUE);
    CScriptedUserAgentTesting::QueueAnswer(AfxGetScriptedUserAgent(), IDCANCEL);
    m_pDlg->SaveParameters(TRUE, FALSE);
    EXPECT_EQ(2u, FileDialogs().size());
    EXPECT_TRUE(BoxTexts().empty());
    EXPECT_EQ(before, Image(g_Params));
    EXPECT_TRUE(CSimBoards::GetCallLog().empty());
    EXPECT_TRUE(std::filesystem::is_empty("."));
}

TEST_F(ParameterFile, SavingWhereNothingCanBeWrittenShowsTheBoxAndKeepsTheRecord) {
    StartWith("PCI-DDA08/12:A1");
    const Bytes before = Image(g_Params);
    std::filesystem::create_directory("folder.prm");
    for (const char* path : {"missing/x.prm", "folder.prm"}) {
        SCOPED_TRACE(path);
        CRecordingUserAgentTesting::ClearEvents(AfxGetScriptedUserAgent());
        AfxGetScriptedUserAgent().QueueFile(path);
        m_pDlg->SaveParameters(TRUE, FALSE);
        EXPECT_EQ(std::vector<std::string>{"Could not open parameter file for saving.  "}, BoxTexts());
        EXPECT_EQ(before, Image(g_Params));
        EXPECT_TRUE(m_pDlg->m_strLastParamPath.IsEmpty());
    }
    // A device is not a file: it is refused, in the quiet form too.
    m_pDlg->m_strDefaultParamPath = "/dev/full";
    CRecordingUserAgentTesting::ClearEvents(AfxGetScriptedUserAgent());
    m_pDlg->SaveParameters(FALSE, TRUE);
    EXPECT_EQ(std::vector<std::string>{"Could not open parameter file for saving.  "}, BoxTexts());
    EXPECT_EQ(before, Image(g_Params));
}

TEST_F(ParameterFile, DamagedFieldsLoadAsDefinedAndTheUserCanCarryOn) {
    StartWith("PCI-DDA08/12:A1,PCI-DIO24:B2");
    const ParameterBlock good = g_Params;
    auto load = [&](const ParameterBlock& file) {
        WriteBlock("damaged.prm", file);
        CRecordingUserAgentTesting::ClearEvents(AfxGetScriptedUserAgent());
        AfxGetScriptedUserAgent().QueueFile("damaged.prm");
        m_pDlg->LoadParameters(TRUE);
    };

    // A menu id outside this run's Board menu selects the board the name was found as.
    for (std::int32_t nId : {9999, -5, 4203, 0}) {
        SCOPED_TRACE(nId);
        ParameterBlock file = good;
        file.nBoardMenuId = nId;
        file.nBoardIndex = 77;
        file.nBoardNum = -3;
        load(file);
        EXPECT_EQ(ID_BOARD_FIRST, g_Params.nBoardMenuId);
        EXPECT_EQ(0, g_Params.nBoardIndex);
        EXPECT_EQ(0, g_Params.nBoardNum);
        EXPECT_EQ(FAMILY_DDA, m_pDlg->m_nBoardFamily);
    }
    // Only the low 16 bits of the id count.
    ParameterBlock file = good;
    file.nBoardMenuId = 0x10000 + ID_BOARD_FIRST + 1;
    std::strcpy(file.szBoardName, "PCI-DDA08/12");
    load(file);
    EXPECT_EQ(ID_BOARD_FIRST + 1, g_Params.nBoardMenuId);
    EXPECT_EQ(FAMILY_DIO24, m_pDlg->m_nBoardFamily);

    // Odd signal codes, ranges and switches are loaded as they are and the setters define the option
    // values; domains and eyes that no frame could use take their defaults, reported in one box.
    file = good;
    const float nan = std::numeric_limits<float>::quiet_NaN();
    for (int ch = 0; ch < MAX_CHANNELS; ++ch) {
        file.nSignalCode[ch] = static_cast<std::int32_t>(0x7FFF0003 - ch);
        file.range[ch] = {ch % 2 ? 99 : -1, 12345};
        file.fDomainMin[ch] = ch % 2 ? nan : -std::numeric_limits<float>::infinity();
        file.fDomainMax[ch] = ch % 2 ? 3.0e38f : nan;
        file.nEye[ch] = 1000 + ch;
        file.bInvert[ch] = 7;
    }
    file.nQualityThreshold = -5;
    file.bRoiOutput = 5;
    file.bExternalInterrupt = 9;
    load(file);
    EXPECT_EQ(2, g_Params.nQualityThreshold);
    EXPECT_TRUE(Checked(ID_QUALITY_FALL_BACK));
    EXPECT_EQ(ID_BOARD_FIRST, g_Params.nBoardMenuId);
    EXPECT_FALSE(g_Params.bExternalInterrupt);  // a DDA board cannot take the interrupt
    EXPECT_FALSE(m_pDlg->m_bBoardError);
    const std::string strAll = "0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15";
    EXPECT_EQ(std::vector<std::string>{"Damaged channel settings in parameter file...                \n\n"
                                       "Input Domain of channels " +
                                       strAll + ":  loading default values.       \nEye of channels " +
                                       strAll + ":  loading default values.       "},
              BoxTexts());
    for (int ch = 0; ch < MAX_CHANNELS; ++ch) {
        EXPECT_EQ(0.0f, g_Params.fDomainMin[ch]);
        EXPECT_EQ(1.0f, g_Params.fDomainMax[ch]);
        EXPECT_EQ(0, g_Params.nEye[ch]);
        EXPECT_EQ(file.nSignalCode[ch], g_Params.nSignalCode[ch]);
        EXPECT_EQ(7, g_Params.bInvert[ch]);
    }

    // A radix id of 0 is shown as the bad radix and stops the board, which the user leaves by choosing
    // a radix and the board again; the record keeps the default radix, so it is not saved again.
    file = good;
    file.nTtlRadixId = 0;
    load(file);
    EXPECT_EQ(1u, BoxTexts().size());
    EXPECT_TRUE(m_pDlg->m_bBoardError);
    EXPECT_EQ(ID_TTL_LEDS, g_Params.nTtlRadixId);
    m_pDlg->SetTtlRadix(ID_TTL_DECIMAL, TRUE);
    m_pDlg->SelectBoard(ID_BOARD_FIRST);
    EXPECT_FALSE(m_pDlg->m_bBoardError);
    EXPECT_EQ(ID_TTL_DECIMAL, g_Params.nTtlRadixId);

    // A board name without a terminator is read within its 64 bytes.
    file = good;
    std::memset(file.szBoardName, 'x', sizeof file.szBoardName);
    load(file);
    EXPECT_TRUE(BoxTexts().empty());
    EXPECT_EQ(ID_BOARD_FIRST, g_Params.nBoardMenuId);
    std::memcpy(file.szBoardName + 47, SIMULATED_BOARD_NAME, 17);
    load(file);
    EXPECT_EQ(std::vector<std::string>{"Previously used board not found."}, BoxTexts());
}

TEST_F(ParameterFile, RandomFilesNeverLeaveAnUnusableState) {
    StartWith("PCI-DDA08/12:A1,PCI-DIO24:B2,USB-1208HS:C3");
    std::mt19937 rng(20240611);
    std::uniform_int_distribution<int> byte(0, 255);
    std::uniform_int_distribution<int> length(0, 800);
    std::filesystem::create_directory("Settings");
    for (int i = 0; i < 40; ++i) {
        SCOPED_TRACE(i);
        Bytes bytes(static_cast<size_t>(i % 2 ? PARAMS_SIZE : length(rng)));
        for (unsigned char& b : bytes) b = static_cast<unsigned char>(byte(rng));
        if (bytes.size() >= 4 && i % 4 != 3) bytes[0] = 4, bytes[1] = bytes[2] = bytes[3] = 0;
        // Every third record-sized file names a board that exists, so the file's values are applied.
        if (bytes.size() >= static_cast<size_t>(PARAMS_SIZE) && i % 3 == 0) {
            const char* names[] = {"PCI-DDA08/12", "PCI-DIO24", "USB-1208HS"};
            const char* name = names[i % 3 == 0 ? (i / 3) % 3 : 0];
            std::memset(bytes.data() + 628, 0, 64);
            std::memcpy(bytes.data() + 628, name, std::strlen(name));
        }
        WriteBytes("Settings/TessaroParams.prm", bytes);
        m_pDlg->LoadParameters(FALSE);
        const int nId = g_Params.nBoardMenuId;
        EXPECT_GE(nId, ID_BOARD_NONE);
        EXPECT_LE(nId, ID_BOARD_NONE + m_pDlg->m_nBoards);
        EXPECT_EQ(nId - ID_BOARD_FIRST, g_Params.nBoardIndex);
        EXPECT_TRUE(g_Params.nQualityThreshold >= 0 && g_Params.nQualityThreshold <= 5);
    }
    // Whatever came before, the user can still choose a board and radix and get a working board.
    m_pDlg->SetTtlRadix(ID_TTL_HEX, TRUE);
    m_pDlg->SelectBoard(ID_BOARD_FIRST);
    EXPECT_FALSE(m_pDlg->m_bBoardError);
    EXPECT_EQ(FAMILY_DDA, m_pDlg->m_nBoardFamily);
}

TEST_F(ParameterFile, ALoadReleasesTheBoardInUseAndReappliesTheSavedInterruptChoice) {
    AttachDevices("PCI-DIO24:B2");
    Discover();
    m_pDlg->SelectBoard(ID_BOARD_FIRST);
    m_pDlg->EnableExternalInterrupt(TRUE);
    ASSERT_TRUE(g_Params.bExternalInterrupt);
    AfxGetScriptedUserAgent().QueueFile("on.prm");
    m_pDlg->SaveParameters(TRUE, TRUE);
    ParameterBlock off = g_Params;
    off.bExternalInterrupt = 0;
    off.nBoardNum = 1;  // a file of another rig numbers the board differently
    WriteBlock("off.prm", off);

    // The event of the board in use is disabled, though the loaded record says it was off.
    CSimBoards::ClearCallLog();
    AfxGetScriptedUserAgent().QueueFile("off.prm");
    m_pDlg->LoadParameters(TRUE);
    SimBoardState state;
    ASSERT_TRUE(CSimBoards::GetBoardState(0, state));
    EXPECT_FALSE(state.bInterruptEnabled);
    EXPECT_EQ(1u, Calls("cbDisableEvent").size());
    EXPECT_EQ(0, Calls("cbDisableEvent").at(0).nBoard);
    EXPECT_FALSE(g_Params.bExternalInterrupt);
    EXPECT_FALSE(Checked(ID_PULSE_EDGE_DETECTION));

    // Loading the file saved with the interrupt on re-applies it on the same board.
    AfxGetScriptedUserAgent().QueueFile("on.prm");
    m_pDlg->LoadParameters(TRUE);
    ASSERT_TRUE(CSimBoards::GetBoardState(0, state));
    EXPECT_TRUE(state.bInterruptEnabled);
    EXPECT_TRUE(g_Params.bExternalInterrupt);
    EXPECT_TRUE(Checked(ID_PULSE_EDGE_DETECTION));
    EXPECT_TRUE(BoxTexts().empty());
}

TEST_F(ParameterFile, AFifoOrDeviceIsAFileThatCannotBeReadOrWritten) {
    StartWith("PCI-DDA08/12:A1");
    g_Params.nQualityThreshold = 4;
    std::filesystem::create_directory("Settings");
    ASSERT_EQ(0, ::mkfifo("Settings/TessaroParams.prm", 0600));

    // Start-up: the FIFO is not waited on; it is reported as not found and the defaults load.
    {
        CFifoWatchdog watchdog("Settings/TessaroParams.prm");
        m_pDlg->LoadParameters(FALSE);
        EXPECT_FALSE(watchdog.Stop()) << "the load waited for a writer";
    }
    EXPECT_EQ(std::vector<std::string>{kNotFoundDefault}, BoxTexts());
    EXPECT_EQ(2, g_Params.nQualityThreshold);

    // Exit: the save is refused, with no reader and with one.
    const Bytes before = Image(g_Params);
    for (bool bReader : {false, true}) {
        SCOPED_TRACE(bReader);
        const int fdReader = bReader ? ::open("Settings/TessaroParams.prm", O_RDONLY | O_NONBLOCK) : -1;
        CRecordingUserAgentTesting::ClearEvents(AfxGetScriptedUserAgent());
        {
            CFifoWatchdog watchdog("Settings/TessaroParams.prm");
            m_pDlg->SaveParameters(FALSE, TRUE);
            EXPECT_FALSE(watchdog.Stop()) << "the save waited for a reader";
        }
        EXPECT_EQ(std::vector<std::string>{"Could not open parameter file for saving.  "}, BoxTexts());
        if (fdReader >= 0) {
            char buf[PARAMS_SIZE];
            EXPECT_GE(0, ::read(fdReader, buf, sizeof buf));  // nothing was written into the FIFO
            ::close(fdReader);
        }
    }
    EXPECT_EQ(before, Image(g_Params));

    // Interactively, a FIFO or a device named in the dialogs fares the same.
    std::filesystem::create_symlink("/dev/zero", "zero.prm");
    for (const char* path : {"Settings/TessaroParams.prm", "zero.prm"}) {
        SCOPED_TRACE(path);
        CRecordingUserAgentTesting::ClearEvents(AfxGetScriptedUserAgent());
        AfxGetScriptedUserAgent().QueueFile(path);
        g_Params.nQualityThreshold = 4;
        m_pDlg->LoadParameters(TRUE);
        ASSERT_EQ(1u, BoxTexts().size());
        EXPECT_NE(std::string::npos, BoxTexts()[0].find("was not found..."));
        EXPECT_EQ(2, g_Params.nQualityThreshold);
        CRecordingUserAgentTesting::ClearEvents(AfxGetScriptedUserAgent());
        AfxGetScriptedUserAgent().QueueFile(path);
        m_pDlg->SaveParameters(TRUE, FALSE);
        EXPECT_EQ(std::vector<std::string>{"Could not open parameter file for saving.  "}, BoxTexts());
        EXPECT_TRUE(m_pDlg->m_strLastParamPath.IsEmpty());
    }
}

TEST_F(ParameterFile, AWriteTheSystemCutsShortIsReported) {
    StartWith("PCI-DDA08/12:A1");
    const Bytes before = Image(g_Params);
    // A file size limit below the record: the system takes part of it, then refuses the rest.
    rlimit old{};
    ASSERT_EQ(0, ::getrlimit(RLIMIT_FSIZE, &old));
    void (*pfnOldXfsz)(int) = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = old;
    small.rlim_cur = 100;
    ASSERT_EQ(0, ::setrlimit(RLIMIT_FSIZE, &small));
    // The file the save would replace is left as it was, and the part written is removed.
    const Bytes oldFile = {4, 0, 0, 0, 1, 2, 3};
    WriteBytes("short.prm", oldFile);
    m_pDlg->m_strDefaultParamPath = "short.prm";
    m_pDlg->SaveParameters(FALSE, TRUE);
    ::setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, pfnOldXfsz);
    EXPECT_EQ(std::vector<std::string>{"Error saving parameters.    "}, BoxTexts());
    EXPECT_EQ(before, Image(g_Params));
    EXPECT_EQ(oldFile, ReadBytes("short.prm"));
    EXPECT_EQ(std::vector<std::string>{"short.prm"}, FolderNames("."));
}

TEST_F(ParameterFile, AStoredValueTheProgramCannotUseFailsOnlyTheStartThatFindsIt) {
    StartWith("PCI-DDA08/12:A1");
    ParameterBlock file = g_Params;
    file.nTtlRadixId = 4399;       // names no menu item
    file.nQualityThreshold = 9;    // no level
    file.nSignalCode[2] = 0x7777;  // no Source entry: harmless, kept
    file.bTtlInputMarkers = 3;     // on, as any non-zero value
    WriteDefaultFile(file);

    m_pDlg->LoadParameters(FALSE);
    EXPECT_EQ(std::vector<std::string>{"A menu item was not found.\r\n"}, BoxTexts());
    EXPECT_TRUE(m_pDlg->m_bBoardError);
    EXPECT_EQ(" bitCode(ROI):  (BAD) 0", WindowText(IDC_TTL_OUTPUT));
    EXPECT_EQ(ID_TTL_LEDS, g_Params.nTtlRadixId);
    EXPECT_EQ(2, g_Params.nQualityThreshold);

    // The exit save writes what the next start can use, and that start is clean.
    m_pDlg->SaveParameters(FALSE, TRUE);
    CRecordingUserAgentTesting::ClearEvents(AfxGetScriptedUserAgent());
    m_pDlg->LoadParameters(FALSE);
    EXPECT_TRUE(BoxTexts().empty());
    EXPECT_FALSE(m_pDlg->m_bBoardError);
    EXPECT_EQ(ID_TTL_LEDS, g_Params.nTtlRadixId);
    EXPECT_TRUE(Checked(ID_TTL_LEDS));
    EXPECT_TRUE(Checked(ID_QUALITY_FALL_BACK));
    EXPECT_EQ(0x7777, g_Params.nSignalCode[2]);
    EXPECT_EQ(3, g_Params.bTtlInputMarkers);
    EXPECT_TRUE(Checked(ID_TTL_INPUT_MARKERS));
}

namespace {

constexpr const char* kCannotOpen = "Could not open parameter file for saving.  ";
constexpr const char* kSaveError = "Error saving parameters.    ";

// A settings file the tests can tell apart from any record the dialog writes.
Bytes OldFileBytes() {
    Bytes bytes(PARAMS_SIZE, 0x5A);
    bytes[0] = 4, bytes[1] = bytes[2] = bytes[3] = 0;
    return bytes;
}

mode_t ModeOf(const std::string& strPath) {
    struct stat st {};
    EXPECT_EQ(0, ::stat(strPath.c_str(), &st)) << strPath;
    return st.st_mode & 07777;
}

}  // namespace

TEST_F(ParameterFile, AFaultAtAnyStepOfTheSaveLeavesTheOldFileAsItWas) {
    StartWith("PCI-DDA08/12:A1");
    ChangeSettings();
    const Bytes record = Image(g_Params);
    std::filesystem::create_directory("Settings");
    const std::string strFile = "Settings/TessaroParams.prm";
    WriteBytes(strFile, OldFileBytes());
    ASSERT_EQ(0, ::chmod(strFile.c_str(), 0640));

    struct Case {
        EParamFileStep eStep;
        const char* box;
    };
    for (const Case& c : {Case{EParamFileStep::Create, kCannotOpen}, Case{EParamFileStep::Write, kSaveError},
                          Case{EParamFileStep::Sync, kSaveError}, Case{EParamFileStep::Rename, kSaveError}}) {
        for (BOOL bInteractive : {FALSE, TRUE}) {
            SCOPED_TRACE(static_cast<int>(c.eStep) * 10 + bInteractive);
            ParamFileTestingState().eFailAt = c.eStep;
            CRecordingUserAgentTesting::ClearEvents(AfxGetScriptedUserAgent());
            if (bInteractive) AfxGetScriptedUserAgent().QueueFile(strFile.c_str());
            m_pDlg->SaveParameters(bInteractive, !bInteractive);
            EXPECT_EQ(std::vector<std::string>{c.box}, BoxTexts());
            EXPECT_EQ(OldFileBytes(), ReadBytes(strFile));
            EXPECT_EQ(0640u, ModeOf(strFile));
            EXPECT_EQ(std::vector<std::string>{"TessaroParams.prm"}, FolderNames("Settings"));
            EXPECT_TRUE(m_pDlg->m_strLastParamPath.IsEmpty());
            EXPECT_EQ(record, Image(g_Params));
        }
    }

    // Without a fault the record replaces the file, which keeps its permission bits. A folder that cannot
    // be synced after the rename is reported, though the file was replaced.
    ResetParamFileTesting();
    CRecordingUserAgentTesting::ClearEvents(AfxGetScriptedUserAgent());
    m_pDlg->SaveParameters(FALSE, TRUE);
    EXPECT_TRUE(BoxTexts().empty());
    EXPECT_EQ(record, ReadBytes(strFile));
    EXPECT_EQ(0640u, ModeOf(strFile));
    EXPECT_EQ(std::vector<std::string>{"TessaroParams.prm"}, FolderNames("Settings"));
    ParamFileTestingState().eFailAt = EParamFileStep::FolderSync;
    AfxGetScriptedUserAgent().QueueFile("other.prm");
    m_pDlg->SaveParameters(TRUE, FALSE);
    EXPECT_EQ(std::vector<std::string>{kSaveError}, BoxTexts());
    EXPECT_EQ(record, ReadBytes("other.prm"));
    EXPECT_TRUE(m_pDlg->m_strLastParamPath.IsEmpty());
}

TEST_F(ParameterFile, AProcessKilledBeforeTheRenameLeavesTheOldFile) {
    StartWith("PCI-DDA08/12:A1");
    ChangeSettings();
    std::filesystem::create_directory("Settings");
    const std::string strFile = "Settings/TessaroParams.prm";
    WriteBytes(strFile, OldFileBytes());

    const pid_t pid = ::fork();
    ASSERT_NE(-1, pid);
    if (pid == 0) {
        // The child is killed once the new file is complete and synced, before it takes the old one's place.
        ParamFileTestingState().pfnBeforeRename = [] { ::raise(SIGKILL); };
        m_pDlg->SaveParameters(FALSE, TRUE);
        ::_exit(3);
    }
    int nStatus = 0;
    ASSERT_EQ(pid, ::waitpid(pid, &nStatus, 0));
    ASSERT_TRUE(WIFSIGNALED(nStatus)) << "the child was not stopped before the rename: " << nStatus;
    EXPECT_EQ(SIGKILL, WTERMSIG(nStatus));
    EXPECT_EQ(OldFileBytes(), ReadBytes(strFile));
    // What the child left beside it is its whole new file, never a part of the old one.
    const std::vector<std::string> names = FolderNames("Settings");
    ASSERT_EQ(2u, names.size());
    EXPECT_EQ(Image(g_Params), ReadBytes("Settings/" + names[0]));

    // The next start reads the old file, and the next save replaces it.
    m_pDlg->SaveParameters(FALSE, TRUE);
    EXPECT_TRUE(BoxTexts().empty());
    EXPECT_EQ(Image(g_Params), ReadBytes(strFile));
}

TEST_F(ParameterFile, ASaveReplacesTheFileALinkNamesAndTheLinkStays) {
    StartWith("PCI-DDA08/12:A1");
    std::filesystem::create_directory("Settings");
    std::filesystem::create_directory("shared");
    WriteBytes("shared/rig.prm", OldFileBytes());
    ASSERT_EQ(0, ::chmod("shared/rig.prm", 0604));
    std::filesystem::create_symlink("../shared/rig.prm", "Settings/TessaroParams.prm");
    std::filesystem::create_symlink("Settings/TessaroParams.prm", "chain.prm");

    for (BOOL bInteractive : {FALSE, TRUE}) {
        SCOPED_TRACE(bInteractive);
        WriteBytes("shared/rig.prm", OldFileBytes());
        if (bInteractive) AfxGetScriptedUserAgent().QueueFile("chain.prm");
        m_pDlg->SaveParameters(bInteractive, TRUE);
        EXPECT_TRUE(BoxTexts().empty());
        EXPECT_TRUE(std::filesystem::is_symlink("Settings/TessaroParams.prm"));
        EXPECT_TRUE(std::filesystem::is_symlink("chain.prm"));
        EXPECT_EQ(Image(g_Params), ReadBytes("shared/rig.prm"));
        EXPECT_EQ(0604u, ModeOf("shared/rig.prm"));
        EXPECT_EQ(std::vector<std::string>{"rig.prm"}, FolderNames("shared"));
    }

    // A link to a file not yet made makes it; a loop of links is a file that cannot be opened.
    std::filesystem::create_symlink("made.prm", "dangling.prm");
    std::filesystem::create_symlink("loop.prm", "loop.prm");
    AfxGetScriptedUserAgent().QueueFile("dangling.prm");
    m_pDlg->SaveParameters(TRUE, TRUE);
    EXPECT_EQ(Image(g_Params), ReadBytes("made.prm"));
    EXPECT_TRUE(std::filesystem::is_symlink("dangling.prm"));
    AfxGetScriptedUserAgent().QueueFile("loop.prm");
    m_pDlg->SaveParameters(TRUE, TRUE);
    EXPECT_EQ(std::vector<std::string>{kCannotOpen}, BoxTexts());
}

namespace {

// The copies kept beside the default file, sorted by name.
std::vector<std::string> KeptCopies() {
    static const std::regex kCopyName(R"(TessaroParams-\d{8}-\d{6}(-\d+)?\.prm)");
    std::vector<std::string> names;
    if (!std::filesystem::exists("Settings")) return names;
    for (const auto& entry : std::filesystem::directory_iterator("Settings")) {
        const std::string strName = entry.path().filename().string();
        if (std::regex_match(strName, kCopyName)) names.push_back(strName);
    }
    std::sort(names.begin(), names.end());
    return names;
}

}  // namespace

TEST_F(ParameterFile, TheFileTheStartCouldNotUseIsKeptBeforeTheFirstSaveReplacesIt) {
    StartWith("USB-1208HS:C3");
    std::vector<std::string> kept;
    SetParamFileKeptHook([&](const std::string& strPath) { kept.push_back(strPath); });
    ParameterBlock absent = g_Params;
    std::strcpy(absent.szBoardName, "PCI-DDA08/12");
    absent.nQualityThreshold = 4;
    Bytes oldVersion = Image(absent);
    oldVersion[0] = 3;

    struct Case {
        const char* name;
        Bytes bytes;
        bool bUnreadable;
    };
    for (const Case& c :
         {Case{"board absent", Image(absent), false}, Case{"old version", oldVersion, false},
          Case{"short", Bytes{4, 0, 0, 0, 9}, false}, Case{"cannot be read", Image(absent), true}}) {
        SCOPED_TRACE(c.name);
        std::filesystem::remove_all("Settings");
        std::filesystem::create_directory("Settings");
        WriteBytes("Settings/TessaroParams.prm", c.bytes);
        ASSERT_EQ(0, ::chmod("Settings/TessaroParams.prm", 0620));
        m_pDlg->m_bKeepUnappliedFile = FALSE;
        kept.clear();
        if (c.bUnreadable) ParamFileTestingState().eFailAt = EParamFileStep::OpenToRead;
        m_pDlg->LoadParameters(FALSE);
        ResetParamFileTesting();
        EXPECT_EQ(2, g_Params.nQualityThreshold);  // the defaults, not the file

        // The exit save keeps the file as it was, then replaces it; the run is told the copy's path.
        CRecordingUserAgentTesting::ClearEvents(AfxGetScriptedUserAgent());
        m_pDlg->SaveParameters(FALSE, TRUE);
        EXPECT_TRUE(BoxTexts().empty());
        const std::vector<std::string> copies = KeptCopies();
        ASSERT_EQ(1u, copies.size());
        EXPECT_EQ(std::vector<std::string>{"./Settings/" + copies[0]}, kept);
        EXPECT_EQ(c.bytes, ReadBytes("Settings/" + copies[0]));
        EXPECT_EQ(0620u, ModeOf("Settings/" + copies[0]));
        EXPECT_EQ(Image(g_Params), ReadBytes("Settings/TessaroParams.prm"));

        // One copy per run: later saves replace the file as usual.
        m_pDlg->SaveParameters(FALSE, TRUE);
        EXPECT_EQ(1u, KeptCopies().size());
        EXPECT_EQ(1u, kept.size());
    }

    // A missing file and a file that was applied leave nothing to keep.
    for (bool bMissing : {true, false}) {
        SCOPED_TRACE(bMissing);
        std::filesystem::remove_all("Settings");
        std::filesystem::create_directory("Settings");
        if (!bMissing) WriteBlock("Settings/TessaroParams.prm", g_Params);
        m_pDlg->m_bKeepUnappliedFile = FALSE;
        m_pDlg->LoadParameters(FALSE);
        m_pDlg->SaveParameters(FALSE, TRUE);
        EXPECT_TRUE(KeptCopies().empty());
    }
}

TEST_F(ParameterFile, AKeptCopyNeverReplacesAnotherAndAFailedCopyStopsTheSave) {
    StartWith("USB-1208HS:C3");
    ParameterBlock absent = g_Params;
    std::strcpy(absent.szBoardName, "PCI-DDA08/12");
    WriteDefaultFile(absent);
    m_pDlg->LoadParameters(FALSE);

    // A copy that cannot be made stops the save: the file stays as it was, and the next save tries again.
    ParamFileTestingState().eFailAt = EParamFileStep::Copy;
    CRecordingUserAgentTesting::ClearEvents(AfxGetScriptedUserAgent());
    m_pDlg->SaveParameters(FALSE, TRUE);
    EXPECT_EQ(std::vector<std::string>{kSaveError}, BoxTexts());
    EXPECT_EQ(Image(absent), ReadBytes("Settings/TessaroParams.prm"));
    EXPECT_EQ(std::vector<std::string>{"TessaroParams.prm"}, FolderNames("Settings"));
    ResetParamFileTesting();

    // Copies of earlier runs in the seconds to come keep their contents; this one takes another name.
    const std::time_t now = std::time(nullptr);
    std::vector<std::string> earlier;
    for (int i = 0; i < 3; ++i) {
        const std::time_t t = now + i;
        std::tm local{};
        ::localtime_r(&t, &local);
        char szName[64];
        std::strftime(szName, sizeof szName, "TessaroParams-%Y%m%d-%H%M%S.prm", &local);
        earlier.push_back(szName);
        WriteBytes(std::string("Settings/") + szName, Bytes{1, 2, 3});
    }
    // The file cannot be read now: it is kept all the same, as it is.
    ParamFileTestingState().eFailAt = EParamFileStep::OpenToRead;
    CRecordingUserAgentTesting::ClearEvents(AfxGetScriptedUserAgent());
    m_pDlg->SaveParameters(FALSE, TRUE);
    ResetParamFileTesting();
    EXPECT_TRUE(BoxTexts().empty());
    const std::vector<std::string> copies = KeptCopies();
    ASSERT_EQ(4u, copies.size());
    std::vector<std::string> added;
    for (const std::string& name : copies) {
        if (std::find(earlier.begin(), earlier.end(), name) != earlier.end()) {
            EXPECT_EQ((Bytes{1, 2, 3}), ReadBytes("Settings/" + name)) << name;
        } else {
            added.push_back(name);
        }
    }
    ASSERT_EQ(1u, added.size());
    EXPECT_NE(std::string::npos, added[0].find("-2.prm")) << added[0];
    EXPECT_EQ(Image(absent), ReadBytes("Settings/" + added[0]));
    EXPECT_EQ(Image(g_Params), ReadBytes("Settings/TessaroParams.prm"));
}

TEST_F(ParameterFile, OnlyASaveOverTheUnusedFileKeepsItAndLoadingItGoodClearsIt) {
    StartWith("PCI-DDA08/12:A1");
    ParameterBlock good = g_Params;
    good.nQualityThreshold = 4;
    ParameterBlock absent = good;
    std::strcpy(absent.szBoardName, "USB-1208HS");

    // The user loads and saves another file: the default file, rejected at start, is still about to be
    // replaced by the exit save, so that save keeps it.
    WriteDefaultFile(absent);
    m_pDlg->LoadParameters(FALSE);
    WriteBlock("other.prm", good);
    AfxGetScriptedUserAgent().QueueFile("other.prm");
    m_pDlg->LoadParameters(TRUE);
    EXPECT_EQ(4, g_Params.nQualityThreshold);
    AfxGetScriptedUserAgent().QueueFile("other.prm");
    m_pDlg->SaveParameters(TRUE, TRUE);
    EXPECT_TRUE(KeptCopies().empty());
    EXPECT_TRUE(std::filesystem::exists("other.prm"));
    m_pDlg->SaveParameters(FALSE, TRUE);
    ASSERT_EQ(1u, KeptCopies().size());
    EXPECT_EQ(Image(absent), ReadBytes("Settings/" + KeptCopies()[0]));

    // Saving over the default file from the dialog keeps it the same way.
    std::filesystem::remove_all("Settings");
    WriteDefaultFile(absent);
    m_pDlg->m_bKeepUnappliedFile = FALSE;
    m_pDlg->LoadParameters(FALSE);
    AfxGetScriptedUserAgent().QueueFile("./Settings/TessaroParams.prm");
    m_pDlg->SaveParameters(TRUE, TRUE);
    EXPECT_EQ(1u, KeptCopies().size());

    // The file mended by the user and loaded from the dialog was applied: nothing is kept.
    std::filesystem::remove_all("Settings");
    WriteDefaultFile(absent);
    m_pDlg->m_bKeepUnappliedFile = FALSE;
    m_pDlg->LoadParameters(FALSE);
    WriteBlock("Settings/TessaroParams.prm", good);  // written in place: the same file
    AfxGetScriptedUserAgent().QueueFile("Settings/TessaroParams.prm");
    m_pDlg->LoadParameters(TRUE);
    EXPECT_EQ(4, g_Params.nQualityThreshold);
    m_pDlg->SaveParameters(FALSE, TRUE);
    EXPECT_TRUE(KeptCopies().empty());
}

TEST_F(ParameterFile, ADomainNoFrameCanUseTakesTheDefaultWithOneBoxAndIsNotSavedAgain) {
    StartWith("PCI-DDA08/12:A1");
    ChangeSettings();
    ParameterBlock file = g_Params;
    file.fDomainMin[1] = std::numeric_limits<float>::quiet_NaN();
    file.fDomainMax[4] = std::numeric_limits<float>::infinity();
    file.fDomainMin[9] = -std::numeric_limits<float>::infinity();
    file.fDomainMax[12] = std::numeric_limits<float>::quiet_NaN();
    file.fDomainMin[13] = std::numeric_limits<float>::max();  // finite, though no value lies in it: kept
    file.fDomainMax[13] = 2.0f;
    file.nEye[6] = 2;
    file.nEye[7] = -1;
    WriteDefaultFile(file);

    ASSERT_TRUE(m_pDlg->ShowAboutBox());
    ASSERT_NE(nullptr, m_pDlg->m_pAboutDlg);
    m_pDlg->m_pAboutDlg->SetWindowPos(&CWnd::wndTopMost, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE);
    CRecordingUserAgentTesting::ClearEvents(AfxGetScriptedUserAgent());
    m_pDlg->LoadParameters(FALSE);
    EXPECT_EQ(
        std::vector<std::string>{"Damaged channel settings in parameter file...                \n\n"
                                 "Input Domain of channels 1, 4, 9, 12:  loading default values.       \n"
                                 "Eye of channels 6, 7:  loading default values.       "},
        BoxTexts());
    EXPECT_EQ(0, GetWindowLong(m_pDlg->m_pAboutDlg->GetSafeHwnd(), GWL_EXSTYLE) & WS_EX_TOPMOST)
        << "the box would be hidden under the About box";
    for (int ch : {1, 4, 9, 12}) {
        EXPECT_EQ(0.0f, g_Params.fDomainMin[ch]) << ch;
        EXPECT_EQ(1.0f, g_Params.fDomainMax[ch]) << ch;
    }
    EXPECT_EQ(0, g_Params.nEye[6]);
    EXPECT_EQ(0, g_Params.nEye[7]);
    // Every other setting stays as loaded, channel 3's settings and channel 13's finite domain included.
    ParameterBlock expected = file;
    for (int ch : {1, 4, 9, 12}) expected.fDomainMin[ch] = 0.0f, expected.fDomainMax[ch] = 1.0f;
    expected.nEye[6] = expected.nEye[7] = 0;
    EXPECT_EQ(Image(expected), Image(g_Params));

    // The exit save writes the mended record, so the next start is clean; an interactive load of the
    // damaged file reports it the same way.
    m_pDlg->SaveParameters(FALSE, TRUE);
    CRecordingUserAgentTesting::ClearEvents(AfxGetScriptedUserAgent());
    m_pDlg->LoadParameters(FALSE);
    EXPECT_TRUE(BoxTexts().empty());
    EXPECT_EQ(Image(expected), Image(g_Params));
    file.nEye[6] = file.nEye[7] = 1;
    WriteBlock("damaged.prm", file);
    AfxGetScriptedUserAgent().QueueFile("damaged.prm");
    m_pDlg->LoadParameters(TRUE);
    EXPECT_EQ(
        std::vector<std::string>{"Damaged channel settings in parameter file...                \n\n"
                                 "Input Domain of channels 1, 4, 9, 12:  loading default values.       "},
        BoxTexts());
    EXPECT_EQ(1, g_Params.nEye[6]);
}
