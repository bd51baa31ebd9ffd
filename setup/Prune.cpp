#include <windows.h>

#include "platform/registry/Registry.h"
#include "platform/text/Text.h"
#include "setup/Setup.h"
#include "setup/Texts.h"

namespace {
bool IsProductEntry(const std::string& name) {
    return TextPos(ProductPrefix, AsciiUpper(name)) == 1;
}
}  // namespace

void PruneUninstallEntries(TRegIniFile& registry) {
    registry.ClosePath();
    registry.SetRoot(HKEY_LOCAL_MACHINE);
    registry.OpenPath(UninstallListKey, true);
    TStringList all;
    registry.ListSections(all);
    // Keeping the product's names in a list of their own costs one pass; removing the others one
    // by one would move the rest of the list each time.
    TStringList entries;
    for (int i = 0; i < all.ItemCount(); ++i)
        if (IsProductEntry(all.ItemAt(i))) entries.AppendWithObject(all.ItemAt(i), all.ObjectAt(i));
    if (entries.ItemCount() < 2) return;
    entries.SortItems();
    // By exact name: two entries can read alike in the code page.
    for (int j = 0; j <= entries.ItemCount() - 2; ++j) registry.RemoveSection(entries, j);
}
