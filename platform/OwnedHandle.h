#pragma once
// Sole owner of the platform's handles: every key or file the program opens is held by one of
// these and closed by it, on every path. A kind names its handle type, its "none" values and how
// one is closed; each kind counts the handles it holds across the process.
#include <utility>

template <class Kind>
class OwnedHandle {
public:
    using Handle = typename Kind::Handle;

    OwnedHandle() = default;
    // Takes ownership of a handle just returned by the platform (a "none" value for none).
    explicit OwnedHandle(Handle handle) : handle_(Kind::IsNone(handle) ? Handle{} : handle) {
        if (handle_) ++live_;
    }
    OwnedHandle(OwnedHandle&& other) noexcept : handle_(std::exchange(other.handle_, Handle{})) {}
    OwnedHandle& operator=(OwnedHandle&& other) noexcept {
        if (this != &other) {
            Close();
            handle_ = std::exchange(other.handle_, Handle{});
        }
        return *this;
    }
    OwnedHandle(const OwnedHandle&) = delete;
    OwnedHandle& operator=(const OwnedHandle&) = delete;
    ~OwnedHandle() { Close(); }

    Handle Get() const { return handle_; }
    explicit operator bool() const { return handle_ != Handle{}; }
    void Close() {
        if (!handle_) return;
        Kind::Close(handle_);
        handle_ = Handle{};
        --live_;
    }

    friend void swap(OwnedHandle& a, OwnedHandle& b) noexcept { std::swap(a.handle_, b.handle_); }

    // How many handles of this kind are held at this moment, across the whole process.
    static int LiveCount() { return live_; }

private:
    Handle handle_{};
    static inline int live_ = 0;
};
