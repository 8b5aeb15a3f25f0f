// Test inspection of the user agent (user_agent.h).
#pragma once

#include "platform/win/user_agent.h"

CUserAgent* AfxGetUserAgent();
