#include <string>

#include "host_fixture.h"

TEST_F(HostTest, MarkerCommandLandsInTheDataFileRecord) {
    Advance(50000);  // three frames at 60 Hz
    EXPECT_EQ(CRS_SendCommand("dataFile_InsertMarker\t%c ", 'S'), CRS_OK);
    CRS_SendCommand("datafile_AsynchMarkerData Yes");
    Advance(1000);
    CRS_SendCommand("dataFile_InsertMarker\t%c ", 'R');
    CRS_SendCommand("dataFile_InsertMarker\t%c ", ' ');  // a blank letter is still a letter
    CRS_SendCommand("dataFile_InsertMarker\t");          // no letter: no marker

    const std::vector<SimHostMarker> markers = SimHost().Markers();
    ASSERT_EQ(markers.size(), 3u);
    EXPECT_EQ(markers[0].cLetter, 'S');
    EXPECT_EQ(markers[0].nTimeUs, 1050000);
    EXPECT_EQ(markers[0].nFrame, 3);
    EXPECT_FALSE(markers[0].bAsynch);
    EXPECT_EQ(markers[1].cLetter, 'R');
    EXPECT_EQ(markers[1].nTimeUs, 1051000);
    EXPECT_TRUE(markers[1].bAsynch);
    EXPECT_EQ(markers[2].cLetter, ' ');
}

TEST_F(HostTest, SayLinesAndSetUpCommandsAreInterpretedAndTraced) {
    std::vector<std::string> trace;
    SimHost().SetCommandHook(
        [&trace](const SimHostCommand& command) { trace.push_back(FormatSimHostTrace(command)); });

    CRS_SendCommand("say '~Tessaro ERROR: %s' ", "Board doesn't exist");
    CRS_SendCommand("say '~Tessaro launch specified BoardNumber: %d ' ", 3);
    CRS_SendCommand("say no quotes at all");
    CRS_SendCommand("say 'unclosed");
    CRS_SendCommand("dataFile_InsertMarker\t%c ", 'S');
    for (const char* pszSetup :
         {"smoothingpoints 1", "positiveLock off", "pupilThreshold 0.5", "pupilType bright", "setROI_AllOff",
          "setROI_Selection 1", "penplot -all", "penplot +Xpupil", "penplot +Xgaze", "penplot +ROI",
          "penplot +Processing", "penplot +FPS", "penPlot_Range ROI 0 4", "autoThreshold"}) {
        EXPECT_EQ(CRS_SendCommand("%s", pszSetup), CRS_OK) << pszSetup;
    }
    CRS_SendCommand("frobnicate\t1 2");

    const std::vector<SimHostLogLine> log = SimHost().LogLines();
    ASSERT_EQ(log.size(), 4u);
    EXPECT_EQ(log[0].strText, "~Tessaro ERROR: Board doesn't exist");
    EXPECT_EQ(log[1].strText, "~Tessaro launch specified BoardNumber: 3 ");
    EXPECT_EQ(log[2].strText, "no quotes at all");
    EXPECT_EQ(log[3].strText, "unclosed");

    const SimHostSetup setup = SimHost().Setup();
    EXPECT_EQ(setup.nSmoothingPoints, 1);
    EXPECT_FALSE(setup.bPositiveLock);
    EXPECT_DOUBLE_EQ(setup.dPupilThreshold, 0.5);
    EXPECT_TRUE(setup.bBrightPupil);
    EXPECT_EQ(setup.nRoiSelection, 1);
    EXPECT_EQ(setup.nAutoThresholdCount, 1);
    EXPECT_EQ(setup.penPlotItems, (std::vector<std::string>{"Xpupil", "Xgaze", "ROI", "Processing", "FPS"}));
    ASSERT_EQ(setup.penPlotRanges.size(), 1u);
    EXPECT_EQ(setup.penPlotRanges[0].strItem, "ROI");
    EXPECT_DOUBLE_EQ(setup.penPlotRanges[0].dMax, 4.0);

    const std::vector<SimHostCommand> commands = SimHost().Commands();
    ASSERT_EQ(commands.size(), 20u);
    EXPECT_EQ(commands[4].strText, "dataFile_InsertMarker\tS ");
    EXPECT_EQ(commands[4].eKind, SimHostCommandKind::Marker);
    EXPECT_EQ(commands.back().eKind, SimHostCommandKind::Unknown);
    ASSERT_EQ(trace.size(), 20u);
    EXPECT_EQ(trace[0], "host say '~Tessaro ERROR: Board doesn't exist'");
    EXPECT_EQ(trace[4], "host marker S");
    EXPECT_EQ(trace[5], "host cmd smoothingpoints 1");
    EXPECT_EQ(trace.back(), "host unknown frobnicate 1 2");
}

TEST_F(HostTest, GettersRefuseABadEyeOrANullPointer) {
    float pair[2] = {123.0f, 123.0f};
    double value = 123.0;
    int n = 123;
    EXPECT_EQ(CRS_GetGazePoint2(7, pair), CRS_ERR_BAD_EYE);
    EXPECT_EQ(pair[0], 0.0f);
    EXPECT_EQ(pair[1], 0.0f);
    EXPECT_EQ(CRS_GetTorsion2(-1, &value), CRS_ERR_BAD_EYE);
    EXPECT_EQ(value, 0.0);
    EXPECT_EQ(CRS_GetDataQuality2(2, &n), CRS_ERR_BAD_EYE);
    EXPECT_EQ(n, 0);
    n = 123;
    EXPECT_EQ(CRS_GetROI_InCode2(7, &n), CRS_ERR_BAD_EYE);
    EXPECT_EQ(n, 0);

    EXPECT_EQ(CRS_GetPupilPoint2(0, nullptr), CRS_ERR_NULL_POINTER);
    EXPECT_EQ(CRS_GetFixationSeconds2(7, nullptr), CRS_ERR_NULL_POINTER);
    EXPECT_EQ(CRS_GetPanelHit(0, nullptr), CRS_ERR_NULL_POINTER);
    EXPECT_EQ(CRS_GetROI_InCode2(0, nullptr), CRS_ERR_NULL_POINTER);
    EXPECT_EQ(CRS_GetGazePoint3D(nullptr), CRS_ERR_NULL_POINTER);
    EXPECT_EQ(CRS_GetVersionTotalVelocity(nullptr), CRS_ERR_NULL_POINTER);
    EXPECT_EQ(CRS_GetMessageListLength(nullptr), CRS_ERR_NULL_POINTER);
    EXPECT_EQ(CRS_GetMessagePostCount(nullptr), CRS_ERR_NULL_POINTER);

    // Through a pointer, so that the compiler's format check lets the null format through.
    int (*pfnSendCommand)(const char*, ...) = CRS_SendCommand;
    EXPECT_EQ(pfnSendCommand(nullptr), CRS_ERR_NULL_POINTER);
    EXPECT_TRUE(SimHost().Commands().empty());
    EXPECT_EQ(CRS_InsertMessageRequest(nullptr, 1), CRS_ERR_BAD_ARGUMENT);
    EXPECT_EQ(CRS_RemoveMessageRequest(Window(0x99)), CRS_ERR_NOT_REGISTERED);
    EXPECT_EQ(CRS_GetStatus(-5), 0);
}

TEST_F(HostTest, LongAndGarbageCommandsAreRecordedAndDoNothing) {
    const std::string longText(5000, 'x');
    EXPECT_EQ(CRS_SendCommand("say '%s'", longText.c_str()), CRS_OK);
    const std::vector<SimHostCommand> first = SimHost().Commands();
    ASSERT_EQ(first.size(), 1u);
    EXPECT_EQ(first[0].strText.size(), static_cast<std::size_t>(kSimHostCommandBufferSize - 1));
    EXPECT_TRUE(first[0].bTruncated);
    ASSERT_EQ(SimHost().LogLines().size(), 1u);
    EXPECT_EQ(SimHost().LogLines()[0].strText, longText.substr(0, kSimHostCommandBufferSize - 1 - 5));

    const char* garbage[] = {
        "",
        "   \t ",
        "\x01\x7f\xff",
        "say",
        "setROI_RealRect",
        "setROI_RealRect 1 a b c d",
        "setROI_RealRect 16 0.1 0.1 0.2 0.2",
        "setROI_RealRect -1 0.1 0.1 0.2 0.2",
        "setROI_RealRect 1 nan 0.1 0.2 0.2",
        "setROI_RealRect 1 0.1 0.1 0.2",
        "setROI_RealRect 99999999999999999999 0.1 0.1 0.2 0.2",
        "setROI_Selection x",
        "smoothingpoints 99999999999",
        "pupilType purple",
        "pupilThreshold inf",
        "positiveLock maybe",
        "datafile_AsynchMarkerData",
        "penplot Xgaze",
        "penPlot_Range ROI 0",
        "%s%s%s%n",
    };
    for (const char* pszLine : garbage) EXPECT_NE(CRS_SendCommand("%s", pszLine), CRS_OK) << pszLine;

    EXPECT_EQ(SimHost().Commands().size(), 1u + std::size(garbage));
    EXPECT_EQ(SimHost().LogLines().size(), 1u);
    EXPECT_TRUE(SimHost().Markers().empty());
    for (int n = 0; n < kSimHostRoiCount; ++n) EXPECT_FALSE(SimHost().Roi(n).bOn);
    const SimHostSetup setup = SimHost().Setup();
    EXPECT_FALSE(setup.bBrightPupil);
    EXPECT_FALSE(setup.bAsynchMarkers);
    EXPECT_EQ(setup.nSmoothingPoints, 1);
    EXPECT_EQ(setup.nRoiSelection, 0);
    EXPECT_TRUE(setup.penPlotItems.empty());
}

TEST_F(HostTest, DistributedMessagesPrivateStatusAndThePrecisionClockAreRecorded) {
    CRS_DistributeMessages(0xA40000, 0x10002);
    Advance(2500);
    CRS_SetStatus_PRIVATE(12, 5);
    CRS_SetStatus_PRIVATE(13, 0x40);

    const std::vector<SimHostDistributedMessage> distributed = SimHost().DistributedMessages();
    ASSERT_EQ(distributed.size(), 1u);
    EXPECT_EQ(distributed[0].nCode, 0xA40000);
    EXPECT_EQ(distributed[0].nValue, 0x10002);
    EXPECT_EQ(distributed[0].nTimeUs, 1000000);
    const std::vector<SimHostPrivateStatus> status = SimHost().PrivateStatusRecord();
    ASSERT_EQ(status.size(), 2u);
    EXPECT_EQ(status[0].nItem, 12);
    EXPECT_EQ(status[1].nValue, 0x40);
    EXPECT_EQ(SimHost().PrivateStatus(13), 0x40);
    EXPECT_EQ(SimHost().VisibleLeds(), 0);  // the LEDs follow the board, not the report, by default

    EXPECT_DOUBLE_EQ(CRS_GetPrecisionDeltaTime(0, 0), 1.0025);
    EXPECT_EQ(CRS_VersionMismatch(295.111), 0);
}
