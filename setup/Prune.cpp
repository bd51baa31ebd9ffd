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
    // Entries that read alike with the one kept cannot be told from it: they stay with it. The
    // others go by exact name, since two of them can also read alike.
    const int kept = entries.ItemCount() - 1;
    for (int j = 0; j < kept; ++j)
        if (LocaleCompareNoCase(entries.ItemAt(j), entries.ItemAt(kept)) < 0)
            registry.RemoveSection(entries, j);
}
