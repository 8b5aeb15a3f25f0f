// Everything of the window framework in one include.
#pragma once

#include "platform/win/app.h"
#include "platform/win/clock.h"
#include "platform/win/cmd_target.h"
#include "platform/win/cstring.h"
#include "platform/win/geometry.h"
#include "platform/win/kernel.h"
#include "platform/win/menu.h"
#include "platform/win/message_loop.h"
#include "platform/win/message_map.h"
#include "platform/win/messages.h"
#include "platform/win/resources.h"
#include "platform/win/user_agent.h"
#include "platform/win/window.h"

#if __has_include("platform/win/gdi.h")
#include "platform/win/gdi.h"
#endif
#if __has_include("platform/win/controls.h")
#include "platform/win/controls.h"
#endif
#if __has_include("platform/win/dialog.h")
#include "platform/win/dialog.h"
#endif
#if __has_include("platform/win/ddx.h")
#include "platform/win/ddx.h"
#endif
