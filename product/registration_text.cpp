#include "product/registration_text.h"

#include "framework/wstr.h"

std::wstring UninstallerDataFilePath(const std::wstring& installFolder, const std::wstring& cdGuid)
{
    std::wstring path = L"%InstallFolder%Pictora\\%CDGUID%\\setup\\pxclean.dat";
    wstr::ReplaceAll(path, L"%InstallFolder%", installFolder);
    wstr::ReplaceAll(path, L"%CDGUID%", cdGuid);
    return path;
}

bool RegistryStringText(unsigned long type, const void* data, size_t byteCount, size_t maxChars, std::wstring& text)
{
    if (type != REGISTRY_TYPE_SZ && type != REGISTRY_TYPE_EXPAND_SZ) return false;
    const unsigned char* bytes = static_cast<const unsigned char*>(data);
    std::wstring result;
    for (size_t i = 0; i + 1 < byteCount; i += 2) {
        wchar_t unit = static_cast<wchar_t>(bytes[i] | (bytes[i + 1] << 8));
        if (unit == 0) break;
        if (result.size() == maxChars) return false;
        result.push_back(unit);
    }
    text = result;
    return true;
}

const wchar_t* const CD_GUIDS_SECTION = L"XRV.CDGUIDs";
