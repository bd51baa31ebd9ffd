#pragma once
// An ordered list of texts with 0-based indices; the lists of subkey names are kept in these.
#include <functional>
#include <memory>
#include <string>
#include <vector>

class TObject {
public:
    virtual ~TObject() = default;
};

// What an item may carry along with its text, through sorting and removal.
using TObjectRef = std::shared_ptr<const TObject>;

class TPersistent : public TObject {
public:
    virtual ~TPersistent() = default;
};

class TStrings : public TPersistent {
public:
    virtual std::string ItemAt(int index) const = 0;
    virtual int ItemCount() const = 0;
    virtual int Append(const std::string& text) = 0;
    virtual void RemoveAll() = 0;
    virtual void RemoveAt(int index) = 0;
    virtual void SortItems() = 0;
    virtual int AppendWithObject(const std::string& text, TObjectRef object) = 0;
    virtual TObjectRef ObjectAt(int index) const = 0;
};

using TextCompare = int (*)(const std::string&, const std::string&);
int LocaleCompareNoCase(const std::string& a, const std::string& b);

class TStringList : public TStrings {
public:
    enum class TDuplicates { Ignore, Accept, Error };

    explicit TStringList(TextCompare compare = LocaleCompareNoCase) : compare_(compare) {}

    std::string ItemAt(int index) const override;
    int ItemCount() const override { return static_cast<int>(items_.size()); }
    int Append(const std::string& text) override;
    void RemoveAll() override;
    void RemoveAt(int index) override;
    void SortItems() override;
    int AppendWithObject(const std::string& text, TObjectRef object) override;
    TObjectRef ObjectAt(int index) const override;

    int Capacity() const { return capacity_; }

    std::function<void()> OnChange;    // after each change, when set
    std::function<void()> OnChanging;  // before each change, when set

private:
    struct Item {
        std::string text;
        TObjectRef object;
    };

    void CheckIndex(int index) const;
    void Grow();
    void QuickSort(int left, int right);
    void Changing() const;
    void Changed() const;

    std::vector<Item> items_;
    int capacity_ = 0;
    bool sorted_ = false;
    [[maybe_unused]] TDuplicates duplicates_ = TDuplicates::Ignore;  // consulted only when sorted
    TextCompare compare_;
};
