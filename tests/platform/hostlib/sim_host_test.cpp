#include <chrono>
#include <cmath>
#include <functional>
#include <numbers>
#include <set>
#include <thread>

#include "host_fixture.h"

namespace {

float PupilX() {
    float xy[2] = {};
    CRS_GetPupilPoint2(0, xy);
    return xy[0];
}

int RoiCode() {
    int nCode = -1;
    CRS_GetROI_InCode2(0, &nCode);
    return nCode;
}

}  // namespace

TEST_F(HostTest, PostsOneFreshDataNotificationPerFrameAtTheSetRate) {
    ASSERT_EQ(CRS_InsertMessageRequest(Window(0x10), kMessage), CRS_OK);

    // 60 Hz in 1 ms steps: the 16.67 ms grid must neither drift nor double-post.
    int nFirstFrameStep = 0;
    for (int i = 1; i <= 1000; ++i) {
        Advance(1000);
        if (SimHost().Pump() > 0 && nFirstFrameStep == 0) nFirstFrameStep = i;
    }
    EXPECT_EQ(nFirstFrameStep, 17);  // the first frame falls due at 16.67 ms, not before
    std::vector<RecordedPost> posts = Posts();
    ASSERT_EQ(posts.size(), 60u);
    for (const RecordedPost& post : posts) {
        EXPECT_EQ(post.hWnd, Window(0x10));
        EXPECT_EQ(post.nMessage, kMessage);
        EXPECT_EQ(post.wParam, MAKEWPARAM(0, kSimHostCodeFreshData));
        EXPECT_EQ(post.lParam, 0);
    }

    SimHost().SetFrameRate(2000);
    ClearPosts();
    Advance(1000000);
    EXPECT_EQ(SimHost().Pump(), 2000);
    EXPECT_EQ(Posts().size(), 2000u);

    int nListLength = 0;
    int nPostCount = 0;
    CRS_GetMessageListLength(&nListLength);
    CRS_GetMessagePostCount(&nPostCount);
    EXPECT_EQ(nListLength, 1);
    EXPECT_EQ(nPostCount, 2060);
    EXPECT_EQ(CRS_GetLayeredAppCallbackListLength(), 1);
}

TEST_F(HostTest, NoFramesWhileDetachedFrozenStoppedOrUnregistered) {
    CRS_InsertMessageRequest(Window(0x10), kMessage);
    SimHost().SetAttached(false);
    Advance(500000);
    EXPECT_EQ(SimHost().Pump(), 0);
    EXPECT_EQ(CRS_GetStatus(kSimHostStatusAttached), 0);
    SimHost().SetAttached(true);

    SimHost().SetVideoFrozen(true);
    Advance(500000);
    EXPECT_EQ(SimHost().Pump(), 0);
    SimHost().SetVideoFrozen(false);

    SimHost().SetRunning(false);
    Advance(500000);
    EXPECT_EQ(SimHost().Pump(), 0);
    SimHost().SetRunning(true);

    EXPECT_EQ(CountCode(kSimHostCodeFreshData), 0);
    Advance(500000);
    EXPECT_EQ(SimHost().Pump(), 30);
    EXPECT_EQ(CountCode(kSimHostCodeFreshData), 30);

    EXPECT_EQ(CRS_RemoveMessageRequest(Window(0x10)), CRS_OK);
    Advance(500000);
    EXPECT_EQ(SimHost().Pump(), 30);  // the host still runs, but posts to nobody
    EXPECT_EQ(CountCode(kSimHostCodeFreshData), 30);
}

TEST_F(HostTest, StatusChangesAndTtlRequestsArePosted) {
    CRS_InsertMessageRequest(Window(0x10), kMessage);
    SimHost().SetAlternateFreshDataCodes(true);
    Advance(4 * 16667);
    SimHost().Pump();

    SimHost().SetBinocular(true);
    SimHost().SetBinocular(true);  // unchanged: no second notification
    SimHost().SetVideoFrozen(true);
    SimHost().SetVideoFrozen(false);
    SimHost().SendTtlBitRequest(3, true);

    const std::vector<RecordedPost> posts = Posts();
    ASSERT_EQ(posts.size(), 8u);
    EXPECT_EQ(HIWORD(posts[0].wParam), kSimHostCodeFreshData);
    EXPECT_EQ(HIWORD(posts[1].wParam), kSimHostCodeFreshDataAlt);
    EXPECT_EQ(HIWORD(posts[2].wParam), kSimHostCodeFreshData);
    EXPECT_EQ(HIWORD(posts[3].wParam), kSimHostCodeFreshDataAlt);
    EXPECT_EQ(posts[4].wParam, MAKEWPARAM(0, kSimHostCodeStatusChange));
    EXPECT_EQ(posts[4].lParam, MAKELPARAM(kSimHostStatusBinocular, 1));
    EXPECT_EQ(posts[5].lParam, MAKELPARAM(kSimHostStatusVideoFrozen, 1));
    EXPECT_EQ(posts[6].lParam, MAKELPARAM(kSimHostStatusVideoFrozen, 0));
    EXPECT_EQ(posts[7].wParam, MAKEWPARAM(0, kSimHostCodeTtlBit));
    EXPECT_EQ(posts[7].lParam, MAKELPARAM(3, 1));
    EXPECT_EQ(CRS_GetStatus(kSimHostStatusBinocular), 1);
    EXPECT_EQ(CRS_GetStatus(kSimHostStatusVideoFrozen), 0);
    EXPECT_EQ(CRS_GetStatus(kSimHostStatusAttached), 1);
}

TEST_F(HostTest, NaturalEyeBlinksWithBadQualityAndMakesFixationsAndSaccades) {
    int nBlinkFrames = 0;
    int nBlinkOnsets = 0;
    int nFixationResets = 0;
    double dLongestFixation = 0.0;
    double dPeakVelocity = 0.0;
    int nPrevQuality = 0;
    double dPrevFixation = 0.0;
    for (int i = 0; i < 20 * 60; ++i) {
        Advance(16667);
        int nQuality = -1;
        double dDiameter = -1.0;
        double dFixation = -1.0;
        double dVelocity = -1.0;
        float gaze[2] = {-1.0f, -1.0f};
        CRS_GetDataQuality2(0, &nQuality);
        CRS_GetPupilDiameter2(0, &dDiameter);
        CRS_GetFixationSeconds2(0, &dFixation);
        CRS_GetTotalVelocity2(0, &dVelocity);
        CRS_GetGazePoint2(0, gaze);
        ASSERT_TRUE(nQuality == 0 || nQuality == 5) << nQuality;
        if (nQuality == 5) {
            ++nBlinkFrames;
            nBlinkOnsets += nPrevQuality == 0 ? 1 : 0;
            EXPECT_EQ(dDiameter, 0.0);
        } else {
            EXPECT_GT(dDiameter, 3.0);
            EXPECT_LT(dDiameter, 5.0);
        }
        EXPECT_GE(gaze[0], 0.0f);
        EXPECT_LE(gaze[0], 1.0f);
        EXPECT_GE(gaze[1], 0.0f);
        EXPECT_LE(gaze[1], 1.0f);
        if (dFixation < dPrevFixation) ++nFixationResets;
        dLongestFixation = std::max(dLongestFixation, dFixation);
        dPeakVelocity = std::max(dPeakVelocity, dVelocity);
        nPrevQuality = nQuality;
        dPrevFixation = dFixation;
    }
    EXPECT_GE(nBlinkOnsets, 2);
    EXPECT_LE(nBlinkOnsets, 10);
    EXPECT_GE(nBlinkFrames, nBlinkOnsets * 5);  // every blink lasts at least 100 ms
    EXPECT_GE(nFixationResets, 15);
    EXPECT_GT(dLongestFixation, 0.2);
    EXPECT_LT(dLongestFixation, 0.8);
    EXPECT_GT(dPeakVelocity, 100.0);  // saccades, in degrees per second
}

TEST_F(HostTest, SameSeedGivesTheSameEyeMovements) {
    auto run = [this] {
        std::vector<float> xs;
        m_nNowUs = 1000000;
        SimHost().Reset();
        SimHost().SetTimeSource([this] { return m_nNowUs.load(); });
        SimHost().SetSeed(42);
        for (int i = 0; i < 300; ++i) {
            Advance(16667);
            float xy[2] = {};
            CRS_GetGazePoint2(1, xy);
            xs.push_back(xy[0]);
        }
        return xs;
    };
    const std::vector<float> first = run();
    const std::vector<float> second = run();
    EXPECT_EQ(first, second);
}

TEST_F(HostTest, ForcedGazeDrivesDerivedSignalsInTheirUnits) {
    SimHost().ForceGazePoint(0, 1.0f, 0.5f);
    float xy[2] = {};
    float angle[2] = {};
    CRS_GetGazePoint2(0, xy);
    CRS_GetGazeAngle2(0, angle);
    EXPECT_EQ(xy[0], 1.0f);
    EXPECT_EQ(xy[1], 0.5f);
    // The screen's right edge: 20 cm beside the centre at 60 cm.
    EXPECT_NEAR(angle[0], std::atan(20.0 / 60.0) * 180.0 / std::numbers::pi, 1e-4);
    EXPECT_NEAR(angle[1], 0.0, 1e-6);

    SimHost().ForceDataQuality(1, 3);
    int nQuality = -1;
    CRS_GetDataQuality2(1, &nQuality);
    EXPECT_EQ(nQuality, 3);

    SimHost().SetEyePattern(SimEyePattern::Still);
    SimHost().ReleaseForcedValues();
    float xyz[3] = {};
    CRS_GetGazePoint3D(xyz);
    EXPECT_NEAR(xyz[0], 0.004 * 20.0, 1e-4);  // the mean of eye A at the centre and eye B's disparity
    EXPECT_NEAR(xyz[1], 0.0, 1e-6);
    EXPECT_NEAR(xyz[2], 60.0, 1e-4);
}

TEST_F(HostTest, RoiCodeFollowsTheGazeIntoAPlacedRectangle) {
    SimHost().SetEyePattern(SimEyePattern::Still);
    EXPECT_EQ(CRS_SendCommand("setROI_RealRect %d %0.2f %0.2f %0.2f %0.2f", 1, 0.40, 0.40, 0.60, 0.60),
              CRS_OK);
    EXPECT_EQ(RoiCode(), 0x2);

    SimHost().ForceGazePoint(0, 0.70f, 0.50f);
    EXPECT_EQ(RoiCode(), 0);
    SimHost().ForceGazePoint(0, 0.40f, 0.60f);  // on the corner: inside
    EXPECT_EQ(RoiCode(), 0x2);

    CRS_SendCommand("setROI_RealRect 15 0.60 0.60 0.30 0.30");  // given right-to-left, bottom-to-top
    EXPECT_EQ(RoiCode(), 0x8002);
    int nEyeB = 0;
    CRS_GetROI_InCode2(1, &nEyeB);
    EXPECT_EQ(nEyeB, 0x8002);  // eye B still rests near the centre

    CRS_SendCommand("setROI_AllOff");
    EXPECT_EQ(RoiCode(), 0);
}

TEST_F(HostTest, RoiGridCoversTheScreenAndTheMovingGazeChangesTheCode) {
    CRS_SendCommand("setROI_RealRect 15 0.0 0.0 1.0 1.0");
    const std::size_t nCommands = SimHost().Commands().size();
    SimHost().PlaceRoiGrid(4);  // 2 x 2
    EXPECT_EQ(SimHost().Commands().size(), nCommands) << "the operator's ROIs are no command";
    EXPECT_FALSE(SimHost().Roi(15).bOn);
    const struct {
        float fX, fY;
        int nCode;
    } quadrants[] = {{0.25f, 0.25f, 0x1}, {0.75f, 0.25f, 0x2}, {0.25f, 0.75f, 0x4},
                     {0.75f, 0.75f, 0x8}, {0.5f, 0.25f, 0x3},  {1.5f, 0.5f, 0}};
    for (const auto& q : quadrants) {
        SimHost().ForceGazePoint(0, q.fX, q.fY);
        EXPECT_EQ(RoiCode(), q.nCode) << q.fX << ", " << q.fY;
    }

    SimHost().PlaceRoiGrid(5);  // 3 columns, 2 rows, the last cell empty
    const SimHostRoi roi4 = SimHost().Roi(4);
    EXPECT_TRUE(roi4.bOn);
    EXPECT_FLOAT_EQ(roi4.fLeft, 1.0f / 3.0f);
    EXPECT_FLOAT_EQ(roi4.fTop, 0.5f);
    EXPECT_FLOAT_EQ(roi4.fRight, 2.0f / 3.0f);
    EXPECT_FLOAT_EQ(roi4.fBottom, 1.0f);
    EXPECT_FALSE(SimHost().Roi(5).bOn);
    SimHost().ForceGazePoint(0, 0.9f, 0.9f);
    EXPECT_EQ(RoiCode(), 0);
    SimHost().PlaceRoiGrid(99);  // clamped: all 16, 4 x 4
    EXPECT_TRUE(SimHost().Roi(15).bOn);
    EXPECT_EQ(RoiCode(), 0x8000);
    SimHost().PlaceRoiGrid(0);
    EXPECT_EQ(RoiCode(), 0);

    // The natural eye visits several quadrants within a few seconds.
    SimHost().ReleaseForcedValues();
    SimHost().PlaceRoiGrid(4);
    std::set<int> codes;
    for (int i = 0; i < 600; ++i) {
        Advance(16667);
        codes.insert(RoiCode());
    }
    EXPECT_GE(codes.size(), 3u);
}

TEST_F(HostTest, LitLedMovesTheBrightPupilAfterTheLatency) {
    SimHost().SetFrameRate(1000);
    SimHost().SetLatencyMs(20.0);
    SimHost().SetEyePattern(SimEyePattern::Still);
    int nTtl = 0;
    std::mutex ttlMutex;
    SimHost().SetTtlOutputSource([&] {
        std::lock_guard<std::mutex> lock(ttlMutex);
        return nTtl;
    });
    auto writeTtl = [&](int nByte) {
        std::lock_guard<std::mutex> lock(ttlMutex);
        nTtl = nByte;
    };

    // Dark pupil: the LEDs are not taken for the pupil.
    writeTtl(0x80);
    Advance(100000);
    EXPECT_FLOAT_EQ(PupilX(), 0.5f);

    CRS_SendCommand("pupilType bright");
    writeTtl(0x00);
    SimHost().Pump();
    Advance(100000);
    SimHost().Pump();
    writeTtl(0x80);
    SimHost().Pump();  // the write is seen now
    Advance(19000);
    EXPECT_FLOAT_EQ(PupilX(), 0.5f);
    Advance(1000);
    float xy[2] = {};
    CRS_GetPupilPoint2(0, xy);
    EXPECT_FLOAT_EQ(xy[0], kSimHostLed7Point[0]);
    EXPECT_FLOAT_EQ(xy[1], kSimHostLed7Point[1]);
    CRS_GetGazePoint2(0, xy);
    EXPECT_FLOAT_EQ(xy[0], kSimHostLed7Point[0]);

    writeTtl(0xC0);
    SimHost().Pump();
    Advance(20000);
    EXPECT_FLOAT_EQ(PupilX(), 0.5f * (kSimHostLed6Point[0] + kSimHostLed7Point[0]));
}

TEST_F(HostTest, InBrightPupilModeThePupilPointDecidesTheRoiCode) {
    SimHost().SetEyePattern(SimEyePattern::Still);
    SimHost().ForceGazePoint(0, 0.9f, 0.9f);  // the pupil point lies at 0.6, 0.6 (a quarter of the travel)
    CRS_SendCommand("setROI_RealRect 0 0.80 0.80 1.00 1.00");
    CRS_SendCommand("setROI_RealRect 1 0.55 0.55 0.65 0.65");
    Advance(100000);
    EXPECT_EQ(RoiCode(), 0x1);
    CRS_SendCommand("pupilType bright");
    Advance(20000);
    EXPECT_EQ(RoiCode(), 0x2);
    CRS_SendCommand("pupilType dark");
    Advance(20000);
    EXPECT_EQ(RoiCode(), 0x1);
}

TEST_F(HostTest, LatencyMeasuredThroughTheCallsIsTheSimulatedLatency) {
    // As the program measures: ROIs on both LEDs, switch an LED, take the precision time, then poll the
    // ROI code once per fresh frame until it changes.
    SimHost().SetFrameRate(500);
    SimHost().SetLatencyMs(12.0);
    SimHost().SetLedsFollowPrivateStatus(true);
    CRS_InsertMessageRequest(Window(0x10), kMessage);
    CRS_SendCommand("pupilType bright");
    CRS_SendCommand("setROI_RealRect 1 0.20 0.40 0.40 0.60");
    CRS_SendCommand("setROI_RealRect 2 0.60 0.40 0.80 0.60");
    CRS_SetStatus_PRIVATE(kSimHostStatusTtlOutput, 0x80);
    Advance(100000);
    ASSERT_EQ(RoiCode(), 0x4);

    Advance(777);  // off the frame grid
    CRS_SetStatus_PRIVATE(kSimHostStatusTtlOutput, 0x40);
    const double dSwitch = CRS_GetPrecisionDeltaTime(0, 0);
    double dSeen = 0.0;
    for (int i = 0; i < 300 && dSeen == 0.0; ++i) {
        Advance(100);
        if (SimHost().Pump() > 0 && RoiCode() == 0x2) dSeen = CRS_GetPrecisionDeltaTime(0, 0);
    }
    ASSERT_GT(dSeen, 0.0);
    EXPECT_GE(dSeen - dSwitch, 0.012);
    EXPECT_LT(dSeen - dSwitch, 0.012 + 0.002 + 0.0001 + 1e-6);  // within one 2 ms frame and one poll step
}

TEST_F(HostTest, DriverThreadPostsWhileOtherThreadsUseTheHost) {
    CRS_InsertMessageRequest(Window(0x10), kMessage);
    SimHost().StartDriver();
    SimHost().StartDriver();
    EXPECT_TRUE(SimHost().IsDriverRunning());

    std::vector<std::thread> senders;
    for (int t = 0; t < 3; ++t) {
        senders.emplace_back([t] {
            for (int i = 0; i < 200; ++i) {
                CRS_SendCommand("dataFile_InsertMarker\t%c ", 'A' + t);
                CRS_GetPrecisionDeltaTime(0, 0);
                float xy[2];
                CRS_GetGazePoint2(0, xy);
            }
        });
    }
    Advance(1000000);
    for (std::thread& sender : senders) sender.join();

    // The driver catches up on its own; wait for it, at most a few seconds.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (SimHost().PostCount() < 60 && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    SimHost().StopDriver();
    EXPECT_FALSE(SimHost().IsDriverRunning());
    EXPECT_EQ(CountCode(kSimHostCodeFreshData), 60);
    EXPECT_EQ(SimHost().FramesProduced(), 60);
    EXPECT_EQ(SimHost().Markers().size(), 600u);
}

// The driver sleeps until the next frame is due; a new frame rate wakes it, so the frames of the new rate
// are not held back until the old rate's next frame (a second here).
TEST_F(HostTest, TheDriverFollowsANewFrameRateAtOnce) {
    CRS_InsertMessageRequest(Window(0x30), kMessage);
    SimHost().SetFrameRate(1);
    SimHost().StartDriver();
    std::this_thread::sleep_for(std::chrono::milliseconds(20));  // asleep towards the frame one second on
    SimHost().SetFrameRate(1000);
    Advance(100000);  // a tenth of a second of the new rate's frames is due
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(600);
    while (SimHost().PostCount() < 100 && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    EXPECT_EQ(SimHost().FramesProduced(), 100);
    EXPECT_EQ(CountCode(kSimHostCodeFreshData), 100);

    // While no frame is due it sleeps: on a clock that stands still it wakes about once per frame period
    // (1 ms here), and each wake reads the clock a few times.
    std::atomic<int> nReads{0};
    SimHost().SetTimeSource([this, &nReads] {
        ++nReads;
        return m_nNowUs.load();
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    SimHost().StopDriver();
    SimHost().SetTimeSource([this] { return m_nNowUs.load(); });
    EXPECT_LT(nReads.load(), 2000);
}

// A getter that delivers the frame it produced returns the state its posts left, and one that finds
// nothing to deliver posts nothing.
TEST_F(HostTest, AGetterReadsTheStateAfterItsOwnDelivery) {
    CRS_InsertMessageRequest(Window(0x20), kMessage);
    std::atomic<int> nPosts{0};
    SimHost().SetPostFunction([&nPosts](HWND, UINT, WPARAM, LPARAM) {
        ++nPosts;
        SimHost().ForceGazePoint(0, 0.25f, 0.75f);
        return TRUE;
    });
    float xy[2] = {};
    EXPECT_EQ(CRS_GetGazePoint2(0, xy), CRS_OK);
    EXPECT_EQ(nPosts.load(), 0);

    Advance(17000);  // one 60 Hz frame falls due
    EXPECT_EQ(CRS_GetGazePoint2(0, xy), CRS_OK);
    EXPECT_EQ(nPosts.load(), 1);
    EXPECT_FLOAT_EQ(xy[0], 0.25f);
    EXPECT_FLOAT_EQ(xy[1], 0.75f);

    SimHost().ForceGazePoint(0, 0.5f, 0.5f);
    Advance(17000);
    int nCode = -1;
    EXPECT_EQ(CRS_GetROI_InCode2(0, &nCode), CRS_OK);
    EXPECT_EQ(nPosts.load(), 2);
    EXPECT_EQ(CRS_GetGazePoint2(0, xy), CRS_OK);
    EXPECT_FLOAT_EQ(xy[0], 0.25f);
    EXPECT_EQ(SimHost().PostCount(), 2);
}

// The frame cost: a data call that finds a frame its caller has not paid for spins for the cost first;
// further calls on the same frame do not; the cost is clamped and Reset takes it away.
TEST_F(HostTest, EachFrameReadCostsTheReaderTheFrameCostOnce) {
    constexpr LONGLONG kCostUs = 100000;
    using Clock = std::chrono::steady_clock;
    auto microsOf = [](const std::function<void()>& fn) {
        const auto t0 = Clock::now();
        fn();
        return std::chrono::duration_cast<std::chrono::microseconds>(Clock::now() - t0).count();
    };
    ASSERT_EQ(CRS_InsertMessageRequest(Window(0x10), kMessage), CRS_OK);
    Advance(20000);
    SimHost().Pump();
    float xy[2] = {};
    int nCode = 0;
    EXPECT_EQ(CRS_GetGazePoint2(0, xy), CRS_OK);  // no cost set: nothing owed

    SimHost().SetFrameCost(kCostUs);
    EXPECT_EQ(kCostUs, SimHost().FrameCost());
    EXPECT_GE(microsOf([&] { EXPECT_EQ(CRS_GetGazePoint2(0, xy), CRS_OK); }), kCostUs);
    // The same frame is paid for: no call on it spins again, the ROI code's included.
    EXPECT_LT(microsOf([&] {
                  CRS_GetPupilSize2(0, xy);
                  CRS_GetROI_InCode2(0, &nCode);
              }),
              kCostUs);
    Advance(20000);  // the next frame
    EXPECT_GE(microsOf([&] { CRS_GetROI_InCode2(0, &nCode); }), kCostUs);
    // A frame that comes while the reader pays is new to it: its next read pays again (a reader as slow
    // as the host's frames must fall behind them).
    Advance(20000);
    std::thread host([this] {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        Advance(20000);
    });
    EXPECT_GE(microsOf([&] { CRS_GetGazePoint2(0, xy); }), kCostUs);
    host.join();
    EXPECT_GE(microsOf([&] { CRS_GetGazePoint2(0, xy); }), kCostUs);
    EXPECT_LT(microsOf([&] { CRS_GetGazePoint2(0, xy); }), kCostUs);

    SimHost().SetFrameCost(-5);
    EXPECT_EQ(0, SimHost().FrameCost());
    SimHost().SetFrameCost(5000000);
    EXPECT_EQ(1000000, SimHost().FrameCost());
    SimHost().Reset();
    EXPECT_EQ(0, SimHost().FrameCost());
}
