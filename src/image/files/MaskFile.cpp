// MaskFile.cpp - reading and writing the defect-mask file.
#include "image/files/MaskFile.h"

#include <array>
#include <bit>
#include <cstring>
#include <fstream>
#include <new>

#include "image/files/AnsiPath.h"
#include "image/files/OutputFile.h"

namespace ovilux::image {

namespace {

// The blocks are the buffers' memory images in little-endian words.
static_assert(std::endian::native == std::endian::little);

constexpr char kMagic[16] = "TESMOR MASK1000";
constexpr uint32_t kBytes8 = static_cast<uint32_t>(mask::kMaskPixels);
constexpr uint32_t kBytes16 = static_cast<uint32_t>(2 * mask::kMaskPixels);
constexpr std::array<uint32_t, 6> kHeaderValues{mask::kMaskWidth, mask::kMaskHeight, kBytes8, kBytes8, kBytes16,
                                                kBytes16};

std::array<char, kMaskFileHeaderBytes> Header() {
    std::array<char, kMaskFileHeaderBytes> header{};
    std::memcpy(header.data(), kMagic, sizeof(kMagic));
    for (size_t i = 0; i < kHeaderValues.size(); ++i) {
        const uint32_t value = kHeaderValues[i];
        for (size_t b = 0; b < 4; ++b) {
            header[sizeof(kMagic) + 4 * i + b] = static_cast<char>((value >> (8 * b)) & 0xFF);
        }
    }
    return header;
}

template <typename T>
bool ReadBlock(std::ifstream& in, std::vector<T>& block) {
    in.read(reinterpret_cast<char*>(block.data()), static_cast<std::streamsize>(block.size() * sizeof(T)));
    return in.gcount() == static_cast<std::streamsize>(block.size() * sizeof(T));
}

template <typename T>
bool WriteBlock(COutputFile& out, const std::vector<T>& block) {
    return block.size() == mask::kMaskPixels && out.Write(block.data(), block.size() * sizeof(T));
}

}  // namespace

std::unique_ptr<mask::DefectReferences> ReadMaskFile(const char* fileName) {
    if (fileName == nullptr || fileName[0] == '\0') {
        return nullptr;
    }
    const std::filesystem::path path = PathOfAnsiName(fileName);
    if (path.empty()) {
        return nullptr;
    }
    std::ifstream in(path, std::ios::in | std::ios::binary);
    if (!in.is_open()) {
        return nullptr;
    }
    std::array<char, kMaskFileHeaderBytes> header{};
    in.read(header.data(), header.size());
    if (in.gcount() != static_cast<std::streamsize>(header.size()) || header != Header()) {
        return nullptr;
    }
    // A file too short to hold the blocks is refused before 30 MB are set aside for them; the
    // reads are checked still, for a file cut while it is read.
    if (!in.seekg(0, std::ios::end) || in.tellg() < static_cast<std::streamoff>(kMaskFileBytes) ||
        !in.seekg(static_cast<std::streamoff>(kMaskFileHeaderBytes))) {
        return nullptr;
    }
    std::unique_ptr<mask::DefectReferences> references = mask::MakeBlankReferences();
    if (!references || !ReadBlock(in, references->dark8) || !ReadBlock(in, references->bright8) ||
        !ReadBlock(in, references->dark16) || !ReadBlock(in, references->bright16)) {
        return nullptr;
    }
    return references;
}

bool WriteMaskFile(const char* fileName, const mask::DefectReferences& references) {
    COutputFile out;
    const std::array<char, kMaskFileHeaderBytes> header = Header();
    return out.Open(fileName) && out.Write(header.data(), header.size()) && WriteBlock(out, references.dark8) &&
           WriteBlock(out, references.bright8) && WriteBlock(out, references.dark16) &&
           WriteBlock(out, references.bright16) && out.Commit();
}

}  // namespace ovilux::image
