// The tracker host's inter-application library, as the program includes it. Here the calls are served by
// the simulated host in sim_host.h; the surface (names, argument shapes, results) is the library's.
//
// Results: the getters and the request/command calls return CRS_OK (0) or one of the CRS_ERR_* codes.
// A getter given a null pointer returns CRS_ERR_NULL_POINTER and writes nothing; a getter given an eye
// other than 0 (eye A) or 1 (eye B) returns CRS_ERR_BAD_EYE and sets every output element to zero.
// Eye B data are delivered whether or not the host runs in binocular mode.
//
// Units of the eye data: points (gaze, pupil, glint) in normalised coordinates 0..1, origin top-left;
// pupil size as normalised width and height; angles in degrees (gaze azimuth positive right, elevation
// positive up); velocities in degrees per second; pupil diameter in mm; torsion, pupil angle and drift in
// degrees; fixation time in seconds; data quality 0 (good) .. 5 ("Pupil Scan Failed"); panel hit 1 while
// the gaze is on the screen, else 0; the 3D gaze point in cm (x right, y up from the screen centre, z the
// viewing distance); vergence as horizontal and vertical angle in degrees.
//
// Threading: every call may be made from any thread.
#pragma once

#include "platform/wintypes.h"

#define CRS_OK 0
#define CRS_ERR_NULL_POINTER 1
#define CRS_ERR_BAD_EYE 2
#define CRS_ERR_UNKNOWN_COMMAND 3
#define CRS_ERR_BAD_ARGUMENT 4
#define CRS_ERR_NOT_REGISTERED 5

extern "C" {

int CRS_InsertMessageRequest(HWND hWnd, UINT nMessage);
int CRS_RemoveMessageRequest(HWND hWnd);

// Formats one command line (at most 1023 characters; a longer line is cut) and runs it.
int CRS_SendCommand(const char* pszFormat, ...) __attribute__((format(printf, 1, 2)));

int CRS_GetStatus(int nItem);
int CRS_GetMessageListLength(int* pnLength);
int CRS_GetMessagePostCount(int* pnCount);

// Per-eye getters; float pairs are two floats, first component first.
int CRS_GetGazePoint2(int nEye, float* pXY);
int CRS_GetGazePointCorrected2(int nEye, float* pXY);
int CRS_GetComponentVelocity2(int nEye, float* pXY);
int CRS_GetPupilSize2(int nEye, float* pWH);
int CRS_GetPupilPoint2(int nEye, float* pXY);
int CRS_GetGlintPoint2(int nEye, float* pXY);
int CRS_GetDiffVector2(int nEye, float* pXY);
int CRS_GetGazeAngle2(int nEye, float* pAzEl);
int CRS_GetGazeAngleCorrected2(int nEye, float* pAzEl);
int CRS_GetTorsion2(int nEye, double* pValue);
int CRS_GetPupilAngle2(int nEye, double* pValue);
int CRS_GetPupilDiameter2(int nEye, double* pValue);
int CRS_GetTotalVelocity2(int nEye, double* pValue);
int CRS_GetPupilAspectRatio2(int nEye, double* pValue);
int CRS_GetDrift2(int nEye, double* pValue);
int CRS_GetFixationSeconds2(int nEye, double* pValue);
int CRS_GetDataQuality2(int nEye, int* pnQuality);
int CRS_GetPanelHit(int nEye, int* pnPanel);
int CRS_GetROI_InCode2(int nEye, int* pnCode);

// Binocular getters (no eye argument).
int CRS_GetVergenceAngle(float* pHV);
int CRS_GetGazePoint3D(float* pXYZ);
int CRS_GetVersionAngle(float* pAzEl);
int CRS_GetVersionComponentVelocity(float* pAzEl);
int CRS_GetVersionTotalVelocity(double* pValue);

int CRS_DistributeMessages(int nCode, int nValue);
int CRS_SetStatus_PRIVATE(int nItem, int nValue);

// Seconds of the host's precision clock; only differences are meaningful. Both arguments are unused.
double CRS_GetPrecisionDeltaTime(int nReserved1, int nReserved2);

// Nonzero when the library does not serve the interface version asked for.
int CRS_VersionMismatch(double dVersion);
double CRS_GetDLLVersion();
int CRS_GetLayeredAppCallbackListLength();

}  // extern "C"
