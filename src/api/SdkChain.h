// SdkChain.h - the process's handle table, and the operations on sessions through it.
#pragma once

#include <cstdint>

#include "api/SdkData.h"
#include "api/TRing.h"

namespace ovilux::api {

class CSdkChain : public CTRing<CSDKDATA> {};

// The one table of the process, made when the library loads and freed when it unloads; the
// sessions still in it at unload are left alone, since their threads may already be gone.
CSdkChain& HandleTable();

// A candidate handle: the tick count plus rand() plus the number of entries.
uint32_t DrawHandle(const CSdkChain& table);
using HandleSource = uint32_t (*)(const CSdkChain& table);

// Puts a session into the table under a new handle from source: candidates are drawn until one
// is non-zero and used by no other session.
uint32_t AddSession(CSdkChain& table, session::COvilux* session, HandleSource source = DrawHandle);
// The session of handle, or null; the table's lock is held only for the lookup.
session::COvilux* FindSession(CSdkChain& table, uint32_t handle);
// Takes the session of handle out of the table (the caller then deletes it); null when none.
session::COvilux* RemoveSession(CSdkChain& table, uint32_t handle);

}  // namespace ovilux::api
