// Internal to the window framework (message_loop.h): the blocking take of the next message.
#pragma once

#include "platform/win/message_loop.h"

BOOL GetMessageA(LPMSG lpMsg, HWND hWnd, UINT wMsgFilterMin, UINT wMsgFilterMax);
