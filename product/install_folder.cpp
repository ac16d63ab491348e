// The imaging product's install folder, read with one set of rules for every step
// that needs it (the registration and the printer update).
#include "product/installed_product.h"

#include <windows.h>

#include "framework/handles.h"
#include "log/log_file.h"
#include "system/path_text.h"
#include "system/registry.h"
#include "system/registry_text.h"

namespace {
const size_t INSTALL_FOLDER_CHARS = MAX_PATH;  // including the terminator
}  // namespace

bool ReadInstallFolder(std::wstring& folder, bool* keyOpened)
{
    folder.clear();
    RegistryKey key;
    bool opened = key.Open(HKEY_LOCAL_MACHINE, PRODUCT_REGISTRY_KEY, KEY_READ, RegistryView::Bits32) == ERROR_SUCCESS;
    if (keyOpened) *keyOpened = opened;
    if (!opened) return false;
    RegistryValue value;
    std::wstring text;
    if (key.Read(INSTALL_FOLDER_VALUE, INSTALL_FOLDER_CHARS * sizeof(wchar_t), value) != ERROR_SUCCESS ||
        !RegistryStringText(value.type, value.data.data(), value.data.size(), INSTALL_FOLDER_CHARS - 1, text))
        return false;
    std::wstring expanded, unknown;
    if (!ExpandedRegistryText(value, expanded, unknown)) {
        LogMessage(LOG_MEDIUM, L"## InstallFolder %s: %s is not expanded", text.c_str(), unknown.c_str());
        return false;
    }
    // A relative folder would be taken from the current folder of the moment.
    if (!IsFullPath(expanded) || expanded.size() > INSTALL_FOLDER_CHARS - 1) {
        LogMessage(LOG_MEDIUM, L"## InstallFolder %s is not a full path", expanded.c_str());
        return false;
    }
    folder = expanded;
    return true;
}
