#include "platform/text/StringList.h"

#include <utility>

#include "platform/Exception.h"

std::string TStringList::ItemAt(int index) const {
    CheckIndex(index);
    return items_[static_cast<size_t>(index)].text;
}

int TStringList::Append(const std::string& text) { return AppendWithObject(text, nullptr); }

int TStringList::AppendWithObject(const std::string& text, TObjectRef object) {
    Changing();
    if (ItemCount() == capacity_) Grow();
    items_.push_back(Item{text, std::move(object)});
    Changed();
    return ItemCount() - 1;
}

TObjectRef TStringList::ObjectAt(int index) const {
    CheckIndex(index);
    return items_[static_cast<size_t>(index)].object;
}

void TStringList::RemoveAll() {
    if (items_.empty()) return;
    Changing();
    std::vector<Item>().swap(items_);
    capacity_ = 0;
    Changed();
}

void TStringList::RemoveAt(int index) {
    CheckIndex(index);
    Changing();
    items_.erase(items_.begin() + index);
    Changed();
}

void TStringList::SortItems() {
    if (sorted_ || ItemCount() < 2) return;
    Changing();
    QuickSort(0, ItemCount() - 1);
    Changed();
}

void TStringList::CheckIndex(int index) const {
    if (index < 0 || index >= ItemCount())
        Raise<EStringListError>("List index out of bounds (" + std::to_string(index) + ")");
}

void TStringList::Grow() {
    const int delta = capacity_ > 64 ? capacity_ / 4 : capacity_ > 8 ? 16 : 4;
    capacity_ += delta;
    items_.reserve(static_cast<size_t>(capacity_));
}

// Hoare's partition with the middle item as pivot. For a consistent order the scans stop at the
// pivot at the latest; the bounds keep them inside the list, and the sort finite, for any other.
void TStringList::QuickSort(int left, int right) {
    do {
        int i = left, j = right;
        const std::string pivot = items_[static_cast<size_t>((left + right) / 2)].text;
        do {
            while (i < right && compare_(items_[static_cast<size_t>(i)].text, pivot) < 0) ++i;
            while (j > left && compare_(items_[static_cast<size_t>(j)].text, pivot) > 0) --j;
            if (i <= j) {
                std::swap(items_[static_cast<size_t>(i)], items_[static_cast<size_t>(j)]);
                ++i;
                --j;
            }
        } while (i <= j);
        if (left < j) QuickSort(left, j);
        left = i;
    } while (left < right);
}

void TStringList::Changing() const {
    if (OnChanging) OnChanging();
}

void TStringList::Changed() const {
    if (OnChange) OnChange();
}
