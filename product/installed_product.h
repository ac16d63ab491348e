// What the launcher relies on from the installed imaging product, defined once: its
// registry entries, the tray application and the device service.
#pragma once
#include <string>

// Under HKEY_LOCAL_MACHINE, 32-bit registry view: value INSTALL_FOLDER_VALUE holds
// the install folder with its trailing backslash.
constexpr const wchar_t* PRODUCT_REGISTRY_KEY = L"SOFTWARE\\Norvale\\Pictora";
constexpr const wchar_t* INSTALL_FOLDER_VALUE = L"InstallFolder";
// Under HKEY_LOCAL_MACHINE, 64-bit view on 64-bit Windows: one value per installed disc.
constexpr const wchar_t* INSTALLED_PRODUCTS_KEY = L"SOFTWARE\\Norvale\\Installed Products";

constexpr const wchar_t* TRAY_APP_FOLDER = L"Pictora\\Bin\\";  // below the install folder
constexpr const wchar_t* TRAY_APP_IMAGE = L"pxstatus.exe";
constexpr const wchar_t* DEVICE_SERVICE = L"pxlinkd";

// The install folder, read once by these rules for the registration and the printer
// update alike: HKLM, 32-bit registry view, PRODUCT_REGISTRY_KEY value
// INSTALL_FOLDER_VALUE, a string of at most 259 characters; an expandable string with
// its system-folder names expanded from the machine's values (never the environment);
// a full path (drive and backslash, or a server). FALSE when there is no such value;
// a value that is there but unusable also gets a "## " line at level 127 saying why.
// `keyOpened`, when given, tells whether the product's key itself could be opened.
bool ReadInstallFolder(std::wstring& folder, bool* keyOpened = nullptr);
