// Data exchange that only tests use (ddx.h): the exchange of UINT, double and text fields, and the
// length limit of a text field.
#pragma once

#include "platform/win/ddx.h"

void AFXAPI DDX_Text(CDataExchange* pDX, int nIDC, UINT& value);
void AFXAPI DDX_Text(CDataExchange* pDX, int nIDC, double& value);
void AFXAPI DDX_Text(CDataExchange* pDX, int nIDC, CString& value);
// With writing, limits the edit to nChars characters (EM_LIMITTEXT).
void AFXAPI DDV_MaxChars(CDataExchange* pDX, CString const& value, int nChars);
