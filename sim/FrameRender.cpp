// FrameRender.cpp - rendering the payload of a frame.
#include "sim/FrameRender.h"

#include <algorithm>
#include <cstring>

#include "sim/ByteOrder.h"
#include "sim/Scene.h"

namespace ovilux::sim {

namespace {

std::vector<int32_t> Positions(const SensorAxis& axis, uint32_t count, int32_t arraySize) {
    std::vector<int32_t> positions(count, -1);
    const int32_t outputs = std::min<int32_t>(axis.Outputs(), static_cast<int32_t>(count));
    for (int32_t k = 0; k < outputs; ++k) {
        const int32_t position = axis.Position(k);
        if (position >= 0 && position < arraySize) {
            positions[k] = position;
        }
    }
    return positions;
}

// Temporal noise, the same for a given variant and pixel.
int32_t Noise(uint32_t variant, uint32_t row, uint32_t column) {
    uint32_t h = (row * 0x9E3779B1u) ^ (column * 0x85EBCA77u) ^ ((variant + 1) * 0xC2B2AE3Du);
    h ^= h >> 15;
    h *= 0x2C1B3C6Du;
    h ^= h >> 12;
    return static_cast<int32_t>(h % (2 * kNoiseAmplitude + 1)) - kNoiseAmplitude;
}

}  // namespace

CFrameRender::CFrameRender(std::shared_ptr<const CScene> scene, const CFrameSettings& settings,
                           const SceneOptions& options)
    : scene_(std::move(scene)),
      settings_(settings),
      options_(options),
      rowPositions_(Positions(settings.readout.rows, settings.height, kArrayHeight)),
      columnPositions_(Positions(settings.readout.columns, settings.width, kArrayWidth)),
      variantCount_(options.noise ? kNoiseVariants : 1) {
    for (uint32_t variant = 0; variant < variantCount_; ++variant) {
        variants_[variant].reset(new uint8_t[settings_.FrameBytes()]);
    }
}

std::shared_ptr<CFrameRender> CFrameRender::Shared(std::shared_ptr<const CScene> scene, const CFrameSettings& settings,
                                                   const SceneOptions& options) {
    // Looked up only when a camera's frame settings change, never per frame. Never destroyed: a
    // process that ends without closing its cameras runs static destructors while their
    // threads may still come here.
    static auto* lock = new std::mutex;
    static auto* kept = new std::vector<std::weak_ptr<CFrameRender>>;
    std::vector<std::weak_ptr<CFrameRender>>& renders = *kept;
    std::lock_guard<std::mutex> hold(*lock);
    std::erase_if(renders, [](const std::weak_ptr<CFrameRender>& render) { return render.expired(); });
    for (const std::weak_ptr<CFrameRender>& held : renders) {
        std::shared_ptr<CFrameRender> render = held.lock();
        if (render && render->Draws(settings, scene.get(), options)) {
            return render;
        }
    }
    auto render = std::make_shared<CFrameRender>(std::move(scene), settings, options);
    renders.push_back(render);
    return render;
}

bool CFrameRender::Draws(const CFrameSettings& settings, const CScene* scene, const SceneOptions& options) const {
    return settings_ == settings && scene_.get() == scene && options_ == options;
}

const uint8_t* CFrameRender::Bytes(uint32_t index, uint64_t offset, uint32_t length) {
    const uint32_t variant = index % variantCount_;
    uint8_t* bytes = variants_[variant].get();
    const uint64_t rowBytes = static_cast<uint64_t>(settings_.width) * settings_.bytesPerSample;
    if (rowBytes > 0 && length > 0) {
        const auto needed = static_cast<uint32_t>(std::min<uint64_t>((offset + length + rowBytes - 1) / rowBytes, settings_.height));
        std::atomic<uint32_t>& rendered = renderedRows_[variant];
        if (needed > rendered.load(std::memory_order_acquire)) {
            std::lock_guard<std::mutex> hold(renderLock_);
            const uint32_t from = rendered.load(std::memory_order_relaxed);
            if (needed > from) {
                RenderRows(variant, bytes, from, needed);
                if (options_.defects) {
                    ApplyDefects(bytes, from, needed);
                }
                rendered.store(needed, std::memory_order_release);
            }
        }
    }
    return bytes + offset;
}

int32_t CFrameRender::Channel(uint32_t row, uint32_t column) const {
    const int32_t arrayRow = rowPositions_[row];
    const int32_t arrayColumn = columnPositions_[column];
    if (arrayRow < 0 || arrayColumn < 0) {
        return -1;
    }
    return (arrayRow % 2) * 2 + arrayColumn % 2;
}

uint16_t CFrameRender::Expose(uint32_t level, int32_t channel) const {
    if (channel < 0) {
        return 0;
    }
    if (options_.fixedLevels) {
        return static_cast<uint16_t>(std::min<uint32_t>(level, kSampleMax));
    }
    const uint64_t scaled = (static_cast<uint64_t>(level) * settings_.multiplier[channel] + 0x8000) >> 16;
    return static_cast<uint16_t>(std::min<uint64_t>(scaled, kSampleMax));
}

void CFrameRender::Store(uint8_t* destination, uint16_t sample) const {
    if (settings_.bytesPerSample == 2) {
        StoreLe16(destination, sample);
    } else {
        *destination = static_cast<uint8_t>(sample >> 4);
    }
}

void CFrameRender::RenderRows(uint32_t variant, uint8_t* out, uint32_t firstRow, uint32_t endRow) const {
    const SensorAxis& rows = settings_.readout.rows;
    const SensorAxis& columns = settings_.readout.columns;
    const uint32_t rowBytes = settings_.width * settings_.bytesPerSample;
    for (uint32_t r = firstRow; r < endRow; ++r) {
        uint8_t* destination = out + static_cast<size_t>(r) * rowBytes;
        const int32_t arrayRow = rowPositions_[r];
        if (arrayRow < 0) {
            std::memset(destination, 0, rowBytes);
            continue;
        }
        // Binned rows: the same-coloured rows two apart that lie in the array.
        const uint16_t* binRows[4];
        int32_t rowCount = 0;
        for (int32_t j = 0; j < rows.bin && arrayRow + 2 * j < kArrayHeight; ++j) {
            binRows[rowCount++] = scene_->Row(arrayRow + 2 * j);
        }
        for (uint32_t c = 0; c < settings_.width; ++c) {
            const int32_t arrayColumn = columnPositions_[c];
            uint16_t sample = 0;
            if (arrayColumn >= 0) {
                uint32_t sum = 0;
                int32_t count = 0;
                for (int32_t k = 0; k < columns.bin && arrayColumn + 2 * k < kArrayWidth; ++k) {
                    for (int32_t j = 0; j < rowCount; ++j) {
                        sum += binRows[j][arrayColumn + 2 * k];
                    }
                    count += rowCount;
                }
                const int32_t channel = (arrayRow % 2) * 2 + arrayColumn % 2;
                const int32_t noise = options_.noise ? Noise(variant, r, c) : 0;
                const int32_t value = Expose(sum / static_cast<uint32_t>(count), channel) + noise;
                sample = static_cast<uint16_t>(std::clamp<int32_t>(value, 0, kSampleMax));
            }
            Store(destination + static_cast<size_t>(c) * settings_.bytesPerSample, sample);
        }
    }
}

void CFrameRender::ApplyDefects(uint8_t* out, uint32_t firstRow, uint32_t endRow) const {
    const uint32_t rowBytes = settings_.width * settings_.bytesPerSample;
    for (const PixelDefect& defect : scene_->Defects()) {
        for (uint32_t r = firstRow; r < endRow; ++r) {
            if (rowPositions_[r] != defect.row) {
                continue;
            }
            for (uint32_t c = 0; c < settings_.width; ++c) {
                if (columnPositions_[c] == defect.column) {
                    Store(out + static_cast<size_t>(r) * rowBytes + static_cast<size_t>(c) * settings_.bytesPerSample,
                          defect.hot ? kSampleMax : 0);
                }
            }
        }
    }
}

}  // namespace ovilux::sim
