// Message, notification, style and result constants of the window framework, and the small structures
// that travel with messages. Where the program relies on a number (hit-test codes, scroll codes, show
// commands, message ids) the documented Windows value is used.
#pragma once

#include "platform/win/message_base.h"

#include "platform/win/control_messages.h"
#include "platform/win/hit_test_codes.h"
#include "platform/win/menu_codes.h"
#include "platform/win/message_box_codes.h"
#include "platform/win/message_structs.h"
#include "platform/win/paint_codes.h"
#include "platform/win/system_codes.h"
#include "platform/win/window_messages.h"
#include "platform/win/window_styles.h"
