// SdkChain.cpp - the handle table and handle creation.
#include "api/SdkChain.h"

#include <cstdlib>

#include "platform/Clock.h"

namespace ovilux::api {

CSdkChain& HandleTable() {
    static CSdkChain table;
    return table;
}

uint32_t DrawHandle(const CSdkChain& table) {
    return platform::GetTickCount() + static_cast<uint32_t>(std::rand()) + static_cast<uint32_t>(table.Count());
}

uint32_t AddSession(CSdkChain& table, session::COvilux* session, HandleSource source) {
    platform::CriticalSectionLock guard(table.Lock());
    // 0 means failure to the application, and a duplicate would hide one of the two sessions:
    // draw again until the handle is neither.
    uint32_t handle = 0;
    do {
        handle = source(table);
    } while (handle == 0 || table.Find(handle) != nullptr);
    table.Add(CSDKDATA{handle, session});
    return handle;
}

session::COvilux* FindSession(CSdkChain& table, uint32_t handle) {
    platform::CriticalSectionLock guard(table.Lock());
    const CSDKDATA* entry = table.Find(handle);
    return entry != nullptr ? entry->session : nullptr;
}

session::COvilux* RemoveSession(CSdkChain& table, uint32_t handle) {
    platform::CriticalSectionLock guard(table.Lock());
    const CSDKDATA* entry = table.Find(handle);
    if (entry == nullptr) {
        return nullptr;
    }
    session::COvilux* session = entry->session;
    table.RemoveCurrent();
    return session;
}

}  // namespace ovilux::api
