#pragma once
// Swaps this program's import of one platform function for a replacement while the object lives:
// a narrow seam for the few platform failures that cannot be provoked for real.
#include <windows.h>

class ImportSwap {
public:
    ImportSwap(const char* functionName, void* replacement);
    ~ImportSwap();
    ImportSwap(const ImportSwap&) = delete;
    ImportSwap& operator=(const ImportSwap&) = delete;

    // The function the import named before the swap.
    template <class Function>
    Function Original() const {
        return reinterpret_cast<Function>(original_);
    }

private:
    void** slot_;
    void* original_;
};
