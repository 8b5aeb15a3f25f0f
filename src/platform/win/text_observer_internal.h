// Internal to the window framework (text_observer.h): the observer installed now, for the places that
// tell it.
#pragma once

#include <atomic>

#include "platform/win/text_observer.h"

// Inline: asked on every text change and drawing operation.
extern std::atomic<CTextObserver*> g_pTextObserver;
inline CTextObserver* AfxGetTextObserver() {
    return g_pTextObserver.load(std::memory_order_acquire);
}
