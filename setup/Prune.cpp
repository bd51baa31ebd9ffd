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
    TStringList entries;
    registry.ListSections(entries);
    for (int i = 0; i < entries.ItemCount();) {
        if (IsProductEntry(entries.ItemAt(i)))
            ++i;
        else
            entries.RemoveAt(i);
    }
    if (entries.ItemCount() < 2) return;
    entries.SortItems();
    for (int j = 0; j <= entries.ItemCount() - 2; ++j) registry.RemoveSection(entries.ItemAt(j));
}
