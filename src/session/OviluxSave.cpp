// OviluxSave.cpp - saving the session's current image to a file.
#include "image/files/WriteImageFile.h"
#include "platform/TextCodec.h"
#include "session/Ovilux.h"
#include "session/SessionConstants.h"

namespace ovilux::session {

int32_t COvilux::SaveImage(const char* fileName, int32_t format) {
    if (fileName == nullptr || *fileName == '\0') {
        RecordError(code::kBadArgument);
        return 0;
    }
    if (!camera_) {
        RecordError(code::kNoCamera);
        return 0;
    }
    platform::CriticalSectionLock images(imageLock_);
    int32_t failure = 0;
    const image::DibImage* result = CurrentFrameImage(failure);
    if (result == nullptr) {
        RecordError(code::kNoCamera);  // nothing has been taken yet
        return 0;
    }
    // A writer that fails records no code: the file system's refusal is the caller's to judge,
    // and the old file of that name is left as it was.
    return image::WriteImageFile(fileName, *result, format);
}

int32_t COvilux::SaveImageW(const char16_t* fileName, int32_t format) {
    char name[kFileNameBytes];
    if (fileName == nullptr || platform::WideToAnsi(fileName, name, kFileNameBytes) == 0) {
        RecordError(code::kConversion);
        return 0;
    }
    return SaveImage(name, format);
}

}  // namespace ovilux::session
