// TRing.h - a circular, doubly linked ring of entries keyed by their handle, with a movable
// current position and the critical section that guards it.
#pragma once

#include <cstdint>

#include "platform/CriticalSection.h"

namespace ovilux::api {

// T has a uint32_t member named handle, the key. Every operation expects the caller to hold
// Lock(): the ring itself does not lock, so a lookup and the use of its result stay atomic.
template <typename T>
class CTRing {
public:
    CTRing() = default;
    virtual ~CTRing() { Clear(); }
    CTRing(const CTRing&) = delete;
    CTRing& operator=(const CTRing&) = delete;

    // Inserts a copy of item just before the current node and makes it current.
    virtual void Add(const T& item) {
        Node* node = new Node{item, nullptr, nullptr};
        if (current_ == nullptr) {
            node->prev = node;
            node->next = node;
        } else {
            node->next = current_;
            node->prev = current_->prev;
            current_->prev->next = node;
            current_->prev = node;
        }
        current_ = node;
        ++count_;
    }

    // The entry with key, which becomes the current one; null when no entry has it. At most one
    // turn of the ring is walked.
    T* Find(uint32_t key) {
        Node* node = current_;
        for (int32_t visited = 0; node != nullptr && visited < count_; ++visited, node = node->next) {
            if (node->data.handle == key) {
                current_ = node;
                return &node->data;
            }
        }
        return nullptr;
    }

    // Unlinks and frees the current node; its successor becomes current.
    void RemoveCurrent() {
        Node* node = current_;
        if (node == nullptr) {
            return;
        }
        if (node->next == node) {
            current_ = nullptr;
        } else {
            node->prev->next = node->next;
            node->next->prev = node->prev;
            current_ = node->next;
        }
        delete node;
        --count_;
    }

    // Frees every node (not what the entries point to).
    void Clear() {
        while (current_ != nullptr) {
            RemoveCurrent();
        }
    }

    platform::CriticalSection& Lock() { return lock_; }
    int32_t Count() const { return count_; }

private:
    struct Node {
        T data;
        Node* prev;
        Node* next;
    };

    platform::CriticalSection lock_;
    Node* current_ = nullptr;
    int32_t count_ = 0;
};

}  // namespace ovilux::api
