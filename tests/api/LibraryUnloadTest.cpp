// The shared library loaded and unloaded at run time, as a plug-in host does: once loaded it stays
// mapped, since libusb's event thread (and a camera's transfer thread) may still run its code.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cstdint>

TEST(LibraryUnload, TheLibraryStaysMappedAfterItsLastClose) {
    void* library = dlopen(OVILUX_LIBRARY_FILE, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(library, nullptr) << dlerror();
    using Version = uint32_t (*)();
    const auto version = reinterpret_cast<Version>(dlsym(library, "Ovilux_GetDllVersion"));
    ASSERT_NE(version, nullptr);
    EXPECT_NE(version(), 0u);
    ASSERT_EQ(dlclose(library), 0);
    void* still = dlopen(OVILUX_LIBRARY_FILE, RTLD_NOW | RTLD_NOLOAD);
    EXPECT_NE(still, nullptr) << "unloaded: threads it started would run on in unmapped code";
    if (still != nullptr) {
        EXPECT_EQ(reinterpret_cast<Version>(dlsym(still, "Ovilux_GetDllVersion")), version) << "at the same place";
        dlclose(still);
    }
}
