#include "platform/hostlib/crs_interapp.h"

#include <array>
#include <atomic>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <mutex>

#include "platform/hostlib/sim_host.h"

namespace {

// The library's call counts by function name: one slot per function, taken on its first call.
constexpr std::size_t kCallSlots = 64;
struct CallSlot {
    std::atomic<const char*> pszName{nullptr};
    std::atomic<long long> nCalls{0};
};
std::array<CallSlot, kCallSlots> g_callSlots;
std::mutex g_callSlotMutex;

std::size_t SlotOf(const char* pszName) {
    std::lock_guard<std::mutex> lock(g_callSlotMutex);
    for (std::size_t i = 0; i < kCallSlots; ++i) {
        const char* pszSlot = g_callSlots[i].pszName.load();
        if (pszSlot == nullptr) {
            g_callSlots[i].pszName = pszName;
            return i;
        }
        if (std::strcmp(pszSlot, pszName) == 0) return i;
    }
    return kCallSlots - 1;  // more functions than slots: the last slot takes the rest
}

// pszName lives as long as the program (__func__).
void CountLibraryCall(const char* pszName) {
    thread_local const char* t_pszLast = nullptr;
    thread_local std::size_t t_nLastSlot = 0;
    if (pszName != t_pszLast) {
        t_nLastSlot = SlotOf(pszName);
        t_pszLast = pszName;
    }
    g_callSlots[t_nLastSlot].nCalls.fetch_add(1, std::memory_order_relaxed);
}

}  // namespace

std::map<std::string, long long> SimHostLibraryCallCounts() {
    std::map<std::string, long long> counts;
    for (const CallSlot& slot : g_callSlots) {
        const char* pszName = slot.pszName.load();
        if (pszName == nullptr) break;
        if (const long long n = slot.nCalls.load(); n != 0) counts[pszName] = n;
    }
    return counts;
}

void ClearSimHostLibraryCallCounts() {
    for (CallSlot& slot : g_callSlots) slot.nCalls = 0;
}

namespace {

bool IsEye(int nEye) {
    return nEye == 0 || nEye == 1;
}

template <typename T, std::size_t N>
int GetEyeValues(int nEye, T* pOut, T (SimEyeData::*pMember)[N]) {
    if (pOut == nullptr) return CRS_ERR_NULL_POINTER;
    if (!IsEye(nEye)) {
        for (std::size_t i = 0; i < N; ++i) pOut[i] = T();
        return CRS_ERR_BAD_EYE;
    }
    const SimHostFrame frame = SimHost().CurrentFrame();
    for (std::size_t i = 0; i < N; ++i) pOut[i] = (frame.eye[nEye].*pMember)[i];
    return CRS_OK;
}

template <typename T>
int GetEyeValue(int nEye, T* pOut, T SimEyeData::*pMember) {
    if (pOut == nullptr) return CRS_ERR_NULL_POINTER;
    if (!IsEye(nEye)) {
        *pOut = T();
        return CRS_ERR_BAD_EYE;
    }
    *pOut = SimHost().CurrentFrame().eye[nEye].*pMember;
    return CRS_OK;
}

template <typename T, std::size_t N>
int GetFrameValues(T* pOut, T (SimHostFrame::*pMember)[N]) {
    if (pOut == nullptr) return CRS_ERR_NULL_POINTER;
    const SimHostFrame frame = SimHost().CurrentFrame();
    for (std::size_t i = 0; i < N; ++i) pOut[i] = (frame.*pMember)[i];
    return CRS_OK;
}

}  // namespace

extern "C" {

int CRS_InsertMessageRequest(HWND hWnd, UINT nMessage) {
    CountLibraryCall(__func__);
    return SimHost().InsertMessageRequest(hWnd, nMessage);
}

int CRS_RemoveMessageRequest(HWND hWnd) {
    CountLibraryCall(__func__);
    return SimHost().RemoveMessageRequest(hWnd);
}

int CRS_SendCommand(const char* pszFormat, ...) {
    CountLibraryCall(__func__);
    if (pszFormat == nullptr) return CRS_ERR_NULL_POINTER;
    char szLine[kSimHostCommandBufferSize];
    va_list args;
    va_start(args, pszFormat);
    const int nLength = std::vsnprintf(szLine, sizeof(szLine), pszFormat, args);
    va_end(args);
    if (nLength < 0) szLine[0] = '\0';
    return SimHost().RunCommand(szLine, nLength >= static_cast<int>(sizeof(szLine)));
}

int CRS_GetStatus(int nItem) {
    CountLibraryCall(__func__);
    return SimHost().GetStatus(nItem);
}

int CRS_GetMessageListLength(int* pnLength) {
    CountLibraryCall(__func__);
    if (pnLength == nullptr) return CRS_ERR_NULL_POINTER;
    *pnLength = SimHost().MessageListLength();
    return CRS_OK;
}

int CRS_GetMessagePostCount(int* pnCount) {
    CountLibraryCall(__func__);
    if (pnCount == nullptr) return CRS_ERR_NULL_POINTER;
    SimHost().Pump();
    *pnCount = SimHost().PostCount();
    return CRS_OK;
}

int CRS_GetGazePoint2(int nEye, float* pXY) {
    CountLibraryCall(__func__);
    return GetEyeValues(nEye, pXY, &SimEyeData::fGaze);
}
int CRS_GetGazePointCorrected2(int nEye, float* pXY) {
    CountLibraryCall(__func__);
    return GetEyeValues(nEye, pXY, &SimEyeData::fGazeCorrected);
}
int CRS_GetComponentVelocity2(int nEye, float* pXY) {
    CountLibraryCall(__func__);
    return GetEyeValues(nEye, pXY, &SimEyeData::fComponentVelocity);
}
int CRS_GetPupilSize2(int nEye, float* pWH) {
    CountLibraryCall(__func__);
    return GetEyeValues(nEye, pWH, &SimEyeData::fPupilSize);
}
int CRS_GetPupilPoint2(int nEye, float* pXY) {
    CountLibraryCall(__func__);
    return GetEyeValues(nEye, pXY, &SimEyeData::fPupilPoint);
}
int CRS_GetGlintPoint2(int nEye, float* pXY) {
    CountLibraryCall(__func__);
    return GetEyeValues(nEye, pXY, &SimEyeData::fGlintPoint);
}
int CRS_GetDiffVector2(int nEye, float* pXY) {
    CountLibraryCall(__func__);
    return GetEyeValues(nEye, pXY, &SimEyeData::fDiffVector);
}
int CRS_GetGazeAngle2(int nEye, float* pAzEl) {
    CountLibraryCall(__func__);
    return GetEyeValues(nEye, pAzEl, &SimEyeData::fGazeAngle);
}
int CRS_GetGazeAngleCorrected2(int nEye, float* pAzEl) {
    CountLibraryCall(__func__);
    return GetEyeValues(nEye, pAzEl, &SimEyeData::fGazeAngleCorrected);
}
int CRS_GetTorsion2(int nEye, double* pValue) {
    CountLibraryCall(__func__);
    return GetEyeValue(nEye, pValue, &SimEyeData::dTorsion);
}
int CRS_GetPupilAngle2(int nEye, double* pValue) {
    CountLibraryCall(__func__);
    return GetEyeValue(nEye, pValue, &SimEyeData::dPupilAngle);
}
int CRS_GetPupilDiameter2(int nEye, double* pValue) {
    CountLibraryCall(__func__);
    return GetEyeValue(nEye, pValue, &SimEyeData::dPupilDiameter);
}
int CRS_GetTotalVelocity2(int nEye, double* pValue) {
    CountLibraryCall(__func__);
    return GetEyeValue(nEye, pValue, &SimEyeData::dTotalVelocity);
}
int CRS_GetPupilAspectRatio2(int nEye, double* pValue) {
    CountLibraryCall(__func__);
    return GetEyeValue(nEye, pValue, &SimEyeData::dPupilAspectRatio);
}
int CRS_GetDrift2(int nEye, double* pValue) {
    CountLibraryCall(__func__);
    return GetEyeValue(nEye, pValue, &SimEyeData::dDrift);
}
int CRS_GetFixationSeconds2(int nEye, double* pValue) {
    CountLibraryCall(__func__);
    return GetEyeValue(nEye, pValue, &SimEyeData::dFixationSeconds);
}
int CRS_GetDataQuality2(int nEye, int* pnQuality) {
    CountLibraryCall(__func__);
    return GetEyeValue(nEye, pnQuality, &SimEyeData::nDataQuality);
}
int CRS_GetPanelHit(int nEye, int* pnPanel) {
    CountLibraryCall(__func__);
    return GetEyeValue(nEye, pnPanel, &SimEyeData::nPanelHit);
}

int CRS_GetROI_InCode2(int nEye, int* pnCode) {
    CountLibraryCall(__func__);
    if (pnCode == nullptr) return CRS_ERR_NULL_POINTER;
    if (!IsEye(nEye)) {
        *pnCode = 0;
        return CRS_ERR_BAD_EYE;
    }
    *pnCode = SimHost().RoiCode(nEye);
    return CRS_OK;
}

int CRS_GetVergenceAngle(float* pHV) {
    CountLibraryCall(__func__);
    return GetFrameValues(pHV, &SimHostFrame::fVergenceAngle);
}
int CRS_GetGazePoint3D(float* pXYZ) {
    CountLibraryCall(__func__);
    return GetFrameValues(pXYZ, &SimHostFrame::fGazePoint3D);
}
int CRS_GetVersionAngle(float* pAzEl) {
    CountLibraryCall(__func__);
    return GetFrameValues(pAzEl, &SimHostFrame::fVersionAngle);
}
int CRS_GetVersionComponentVelocity(float* pAzEl) {
    CountLibraryCall(__func__);
    return GetFrameValues(pAzEl, &SimHostFrame::fVersionComponentVelocity);
}
int CRS_GetVersionTotalVelocity(double* pValue) {
    CountLibraryCall(__func__);
    if (pValue == nullptr) return CRS_ERR_NULL_POINTER;
    *pValue = SimHost().CurrentFrame().dVersionTotalVelocity;
    return CRS_OK;
}

int CRS_DistributeMessages(int nCode, int nValue) {
    CountLibraryCall(__func__);
    return SimHost().DistributeMessage(nCode, nValue);
}

int CRS_SetStatus_PRIVATE(int nItem, int nValue) {
    CountLibraryCall(__func__);
    return SimHost().SetPrivateStatus(nItem, nValue);
}

double CRS_GetPrecisionDeltaTime(int, int) {
    CountLibraryCall(__func__);
    return SimHost().PrecisionSeconds();
}

// The library serves its own interface version and every older one.
int CRS_VersionMismatch(double dVersion) {
    CountLibraryCall(__func__);
    return dVersion <= kSimHostDllVersion + 1e-9 ? 0 : 1;
}

double CRS_GetDLLVersion() {
    CountLibraryCall(__func__);
    return kSimHostDllVersion;
}

int CRS_GetLayeredAppCallbackListLength() {
    CountLibraryCall(__func__);
    return SimHost().CallbackListLength();
}

}  // extern "C"
