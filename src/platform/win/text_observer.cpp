#include "platform/win/text_observer.h"
#include "platform/win/text_observer_internal.h"

#include <atomic>

namespace {

std::atomic<CTextObserver*> g_pTextObserver{nullptr};

}  // namespace

void AfxSetTextObserver(CTextObserver* pObserver) {
    g_pTextObserver.store(pObserver, std::memory_order_release);
}

CTextObserver* AfxGetTextObserver() {
    return g_pTextObserver.load(std::memory_order_acquire);
}
