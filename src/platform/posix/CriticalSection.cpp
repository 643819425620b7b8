// CriticalSection.cpp - the recursive lock on POSIX.
#include "platform/CriticalSection.h"

#include <mutex>

namespace ovilux::platform {

struct CriticalSection::Impl {
    std::recursive_mutex mutex;
};

CriticalSection::CriticalSection() : impl_(std::make_unique<Impl>()) {}
CriticalSection::~CriticalSection() = default;

void CriticalSection::Enter() { impl_->mutex.lock(); }
void CriticalSection::Leave() { impl_->mutex.unlock(); }
bool CriticalSection::TryEnter() { return impl_->mutex.try_lock(); }

}  // namespace ovilux::platform
