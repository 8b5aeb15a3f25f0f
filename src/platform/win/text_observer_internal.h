// Internal to the window framework (text_observer.h): the observer installed now, for the places that
// tell it.
#pragma once

#include "platform/win/text_observer.h"

CTextObserver* AfxGetTextObserver();
