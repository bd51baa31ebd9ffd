#include "platform/registry/KeyHandle.h"

namespace {
int liveKeyHandles = 0;
}

KeyHandle::KeyHandle(HKEY handle) : handle_(handle) {
    if (handle_) ++liveKeyHandles;
}

KeyHandle& KeyHandle::operator=(KeyHandle&& other) noexcept {
    if (this != &other) {
        Close();
        handle_ = std::exchange(other.handle_, nullptr);
    }
    return *this;
}

void KeyHandle::Close() {
    if (!handle_) return;
    RegCloseKey(handle_);
    handle_ = nullptr;
    --liveKeyHandles;
}

int KeyHandle::LiveCount() { return liveKeyHandles; }
