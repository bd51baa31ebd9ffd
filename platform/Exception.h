#pragma once
// Failures of the program: each carries its class name (shown to the user), its message and the
// code address at which it was raised.
#include <string>
#include <utility>

class Exception {
public:
    Exception(std::string message, const void* address)
        : message_(std::move(message)), address_(address) {}
    virtual ~Exception() = default;
    virtual const char* ClassName() const { return "Exception"; }
    const std::string& Message() const { return message_; }
    const void* Address() const { return address_; }

private:
    std::string message_;
    const void* address_;
};

#define TQ_FAILURE_CLASS(Name)                                           \
    class Name : public Exception {                                      \
    public:                                                              \
        using Exception::Exception;                                      \
        const char* ClassName() const override { return #Name; }         \
    }

TQ_FAILURE_CLASS(ERegistryException);
TQ_FAILURE_CLASS(EStringListError);
TQ_FAILURE_CLASS(EOutOfMemory);
TQ_FAILURE_CLASS(EInvalidPointer);

// Raises E at the caller's code address; kept out of line so that the return address is the
// caller's.
template <class E>
[[noreturn]] __attribute__((noinline)) void Raise(std::string message) {
    throw E(std::move(message), __builtin_return_address(0));
}
