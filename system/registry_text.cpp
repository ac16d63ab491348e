#include "system/registry_text.h"

#include "framework/wstr.h"

std::wstring RegistryDataText(const void* data, size_t byteCount)
{
    const unsigned char* bytes = static_cast<const unsigned char*>(data);
    std::wstring text;
    for (size_t i = 0; i + 1 < byteCount; i += 2) {
        wchar_t unit = static_cast<wchar_t>(bytes[i] | (bytes[i + 1] << 8));
        if (unit == 0) break;
        text.push_back(unit);
    }
    return text;
}

bool RegistryStringText(unsigned long type, const void* data, size_t byteCount, size_t maxChars, std::wstring& text)
{
    if (type != REGISTRY_TYPE_SZ && type != REGISTRY_TYPE_EXPAND_SZ) return false;
    std::wstring result = RegistryDataText(data, byteCount);
    if (result.size() > maxChars) return false;
    text = result;
    return true;
}

std::wstring RegistryValueLogText(unsigned long type, const void* data, size_t byteCount)
{
    if (type == REGISTRY_TYPE_SZ || type == REGISTRY_TYPE_EXPAND_SZ || type == REGISTRY_TYPE_MULTI_SZ)
        return RegistryDataText(data, byteCount);
    if (type == REGISTRY_TYPE_DWORD && byteCount == 4) {
        const unsigned char* b = static_cast<const unsigned char*>(data);
        unsigned long number = b[0] | (b[1] << 8) | (b[2] << 16) | (static_cast<unsigned long>(b[3]) << 24);
        return wstr::FromUnsigned(number);
    }
    return std::wstring();
}
