#include "platform/hostlib/crs_interapp.h"

#include <cstdarg>
#include <cstdio>

#include "platform/hostlib/sim_host.h"

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
    return SimHost().InsertMessageRequest(hWnd, nMessage);
}

int CRS_RemoveMessageRequest(HWND hWnd) {
    return SimHost().RemoveMessageRequest(hWnd);
}

int CRS_SendCommand(const char* pszFormat, ...) {
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
    return SimHost().GetStatus(nItem);
}

int CRS_GetMessageListLength(int* pnLength) {
    if (pnLength == nullptr) return CRS_ERR_NULL_POINTER;
    *pnLength = SimHost().MessageListLength();
    return CRS_OK;
}

int CRS_GetMessagePostCount(int* pnCount) {
    if (pnCount == nullptr) return CRS_ERR_NULL_POINTER;
    SimHost().Pump();
    *pnCount = SimHost().PostCount();
    return CRS_OK;
}

int CRS_GetGazePoint2(int nEye, float* pXY) {
    return GetEyeValues(nEye, pXY, &SimEyeData::fGaze);
}
int CRS_GetGazePointCorrected2(int nEye, float* pXY) {
    return GetEyeValues(nEye, pXY, &SimEyeData::fGazeCorrected);
}
int CRS_GetComponentVelocity2(int nEye, float* pXY) {
    return GetEyeValues(nEye, pXY, &SimEyeData::fComponentVelocity);
}
int CRS_GetPupilSize2(int nEye, float* pWH) {
    return GetEyeValues(nEye, pWH, &SimEyeData::fPupilSize);
}
int CRS_GetPupilPoint2(int nEye, float* pXY) {
    return GetEyeValues(nEye, pXY, &SimEyeData::fPupilPoint);
}
int CRS_GetGlintPoint2(int nEye, float* pXY) {
    return GetEyeValues(nEye, pXY, &SimEyeData::fGlintPoint);
}
int CRS_GetDiffVector2(int nEye, float* pXY) {
    return GetEyeValues(nEye, pXY, &SimEyeData::fDiffVector);
}
int CRS_GetGazeAngle2(int nEye, float* pAzEl) {
    return GetEyeValues(nEye, pAzEl, &SimEyeData::fGazeAngle);
}
int CRS_GetGazeAngleCorrected2(int nEye, float* pAzEl) {
    return GetEyeValues(nEye, pAzEl, &SimEyeData::fGazeAngleCorrected);
}
int CRS_GetTorsion2(int nEye, double* pValue) {
    return GetEyeValue(nEye, pValue, &SimEyeData::dTorsion);
}
int CRS_GetPupilAngle2(int nEye, double* pValue) {
    return GetEyeValue(nEye, pValue, &SimEyeData::dPupilAngle);
}
int CRS_GetPupilDiameter2(int nEye, double* pValue) {
    return GetEyeValue(nEye, pValue, &SimEyeData::dPupilDiameter);
}
int CRS_GetTotalVelocity2(int nEye, double* pValue) {
    return GetEyeValue(nEye, pValue, &SimEyeData::dTotalVelocity);
}
int CRS_GetPupilAspectRatio2(int nEye, double* pValue) {
    return GetEyeValue(nEye, pValue, &SimEyeData::dPupilAspectRatio);
}
int CRS_GetDrift2(int nEye, double* pValue) {
    return GetEyeValue(nEye, pValue, &SimEyeData::dDrift);
}
int CRS_GetFixationSeconds2(int nEye, double* pValue) {
    return GetEyeValue(nEye, pValue, &SimEyeData::dFixationSeconds);
}
int CRS_GetDataQuality2(int nEye, int* pnQuality) {
    return GetEyeValue(nEye, pnQuality, &SimEyeData::nDataQuality);
}
int CRS_GetPanelHit(int nEye, int* pnPanel) {
    return GetEyeValue(nEye, pnPanel, &SimEyeData::nPanelHit);
}

int CRS_GetROI_InCode2(int nEye, int* pnCode) {
    if (pnCode == nullptr) return CRS_ERR_NULL_POINTER;
    if (!IsEye(nEye)) {
        *pnCode = 0;
        return CRS_ERR_BAD_EYE;
    }
    *pnCode = SimHost().RoiCode(nEye);
    return CRS_OK;
}

int CRS_GetVergenceAngle(float* pHV) {
    return GetFrameValues(pHV, &SimHostFrame::fVergenceAngle);
}
int CRS_GetGazePoint3D(float* pXYZ) {
    return GetFrameValues(pXYZ, &SimHostFrame::fGazePoint3D);
}
int CRS_GetVersionAngle(float* pAzEl) {
    return GetFrameValues(pAzEl, &SimHostFrame::fVersionAngle);
}
int CRS_GetVersionComponentVelocity(float* pAzEl) {
    return GetFrameValues(pAzEl, &SimHostFrame::fVersionComponentVelocity);
}
int CRS_GetVersionTotalVelocity(double* pValue) {
    if (pValue == nullptr) return CRS_ERR_NULL_POINTER;
    *pValue = SimHost().CurrentFrame().dVersionTotalVelocity;
    return CRS_OK;
}

int CRS_DistributeMessages(int nCode, int nValue) {
    return SimHost().DistributeMessage(nCode, nValue);
}

int CRS_SetStatus_PRIVATE(int nItem, int nValue) {
    return SimHost().SetPrivateStatus(nItem, nValue);
}

double CRS_GetPrecisionDeltaTime(int, int) {
    return SimHost().PrecisionSeconds();
}

// The library serves its own interface version and every older one.
int CRS_VersionMismatch(double dVersion) {
    return dVersion <= kSimHostDllVersion + 1e-9 ? 0 : 1;
}

double CRS_GetDLLVersion() {
    return kSimHostDllVersion;
}

int CRS_GetLayeredAppCallbackListLength() {
    return SimHost().CallbackListLength();
}

}  // extern "C"
