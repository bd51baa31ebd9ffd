#pragma once
// Sole owner of registry key handles: every handle the registry layer opens is held by one of
// these and released by it, on every path.
#include <windows.h>

#include <utility>

class KeyHandle {
public:
    KeyHandle() = default;
    // Takes ownership of a handle just returned by the platform (nullptr for none).
    explicit KeyHandle(HKEY handle);
    KeyHandle(KeyHandle&& other) noexcept : handle_(std::exchange(other.handle_, nullptr)) {}
    KeyHandle& operator=(KeyHandle&& other) noexcept;
    KeyHandle(const KeyHandle&) = delete;
    KeyHandle& operator=(const KeyHandle&) = delete;
    ~KeyHandle() { Close(); }

    HKEY Get() const { return handle_; }
    explicit operator bool() const { return handle_ != nullptr; }
    void Close();

    friend void swap(KeyHandle& a, KeyHandle& b) noexcept { std::swap(a.handle_, b.handle_); }

    // How many handles are held at this moment, across the whole process.
    static int LiveCount();

private:
    HKEY handle_ = nullptr;
};
