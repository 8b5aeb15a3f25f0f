#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <limits>
#include <mutex>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "engine/parameter_file.h"
#include "engine/signal_codes.h"
#include "platform/ul/cbw.h"
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
        m_pDlg->m_strDefaultParamPath = DEFAULT_PARAM_PATH;
    }
    // Discovers the devices and applies the defaults, as a start-up without a file would.
    void StartWith(const std::string& strDevices) {
        if (!strDevices.empty()) AttachDevices(strDevices);
        Discover();
        m_pDlg->LoadDefaultParameters(g_Params);
        AfxGetScriptedUserAgent().ClearEvents();
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
        for (const CUserEvent& ev : AfxGetScriptedUserAgent().MessageBoxes())
            texts.push_back(ev.strText.Str());
        return texts;
    }
    static std::vector<CUserEvent> FileDialogs() {
        std::vector<CUserEvent> dialogs;
        for (const CUserEvent& ev : AfxGetScriptedUserAgent().Events())
            if (ev.nKind != CUserEvent::MessageBox) dialogs.push_back(ev);
        return dialogs;
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
    AfxGetScriptedUserAgent().ClearEvents();
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
    AfxGetScriptedUserAgent().QueueAnswer(IDCANCEL);
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
        AfxGetScriptedUserAgent().ClearEvents();
        AfxGetScriptedUserAgent().QueueFile("bad.prm");
        m_pDlg->LoadParameters(TRUE);
        EXPECT_EQ(std::vector<std::string>{c.interactive}, BoxTexts());
        EXPECT_EQ(before, Image(g_Params));
        EXPECT_TRUE(Checked(ID_QUALITY_SCAN_FAILED));
        EXPECT_TRUE(Checked(ID_TTL_HEX));
        EXPECT_TRUE(m_pDlg->m_strLastParamPath.IsEmpty());

        WriteBytes("Settings/TessaroParams.prm", c.bytes);
        AfxGetScriptedUserAgent().ClearEvents();
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
    AfxGetScriptedUserAgent().ClearEvents();
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

    AfxGetScriptedUserAgent().ClearEvents();
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
    AfxGetScriptedUserAgent().ClearEvents();
    m_pDlg->SaveParameters(FALSE, TRUE);
    EXPECT_EQ(std::vector<std::string>{"Could not open parameter file for saving.  "}, BoxTexts());
    EXPECT_EQ(before, Image(g_Params));
    std::filesystem::create_directory("Settings");
    AfxGetScriptedUserAgent().ClearEvents();
    m_pDlg->SaveParameters(FALSE, TRUE);
    EXPECT_TRUE(BoxTexts().empty());
    EXPECT_EQ(before, ReadBytes("Settings/TessaroParams.prm"));
    EXPECT_TRUE(m_pDlg->m_strLastParamPath.IsEmpty());

    // Silent load of that file: accepted, no path remembered.
    AfxGetScriptedUserAgent().ClearEvents();
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
        AfxGetScriptedUserAgent().ClearEvents();
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
    AfxGetScriptedUserAgent().QueueAnswer(IDCANCEL);
    m_pDlg->LoadParameters(TRUE);
    AfxGetScriptedUserAgent().QueueAnswer(IDCANCEL);
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
        AfxGetScriptedUserAgent().ClearEvents();
        AfxGetScriptedUserAgent().QueueFile(path);
        m_pDlg->SaveParameters(TRUE, FALSE);
        EXPECT_EQ(std::vector<std::string>{"Could not open parameter file for saving.  "}, BoxTexts());
        EXPECT_EQ(before, Image(g_Params));
        EXPECT_TRUE(m_pDlg->m_strLastParamPath.IsEmpty());
    }
    // A device is not a file: it is refused, in the quiet form too.
    m_pDlg->m_strDefaultParamPath = "/dev/full";
    AfxGetScriptedUserAgent().ClearEvents();
    m_pDlg->SaveParameters(FALSE, TRUE);
    EXPECT_EQ(std::vector<std::string>{"Could not open parameter file for saving.  "}, BoxTexts());
    EXPECT_EQ(before, Image(g_Params));
}

TEST_F(ParameterFile, DamagedFieldsLoadAsDefinedAndTheUserCanCarryOn) {
    StartWith("PCI-DDA08/12:A1,PCI-DIO24:B2");
    const ParameterBlock good = g_Params;
    auto load = [&](const ParameterBlock& file) {
        WriteBlock("damaged.prm", file);
        AfxGetScriptedUserAgent().ClearEvents();
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

    // Odd channel settings and option values are loaded as they are; the setters define the rest.
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
        AfxGetScriptedUserAgent().ClearEvents();
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
        AfxGetScriptedUserAgent().ClearEvents();
        AfxGetScriptedUserAgent().QueueFile(path);
        g_Params.nQualityThreshold = 4;
        m_pDlg->LoadParameters(TRUE);
        ASSERT_EQ(1u, BoxTexts().size());
        EXPECT_NE(std::string::npos, BoxTexts()[0].find("was not found..."));
        EXPECT_EQ(2, g_Params.nQualityThreshold);
        AfxGetScriptedUserAgent().ClearEvents();
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
    m_pDlg->m_strDefaultParamPath = "short.prm";
    m_pDlg->SaveParameters(FALSE, TRUE);
    ::setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, pfnOldXfsz);
    EXPECT_EQ(std::vector<std::string>{"Error saving parameters.    "}, BoxTexts());
    EXPECT_EQ(before, Image(g_Params));
    EXPECT_LT(std::filesystem::file_size("short.prm"), static_cast<std::uintmax_t>(PARAMS_SIZE));
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
    AfxGetScriptedUserAgent().ClearEvents();
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
