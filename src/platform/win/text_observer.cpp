#include "platform/win/text_observer.h"
#include "platform/win/text_observer_internal.h"

#include <atomic>

std::atomic<CTextObserver*> g_pTextObserver{nullptr};

void AfxSetTextObserver(CTextObserver* pObserver) {
    g_pTextObserver.store(pObserver, std::memory_order_release);
}
