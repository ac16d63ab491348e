#include "system/registry.h"

#include "system/registry_text.h"

LONG ReadRegistryValue(HKEY key, const wchar_t* valueName, DWORD maxBytes, RegistryValue& value)
{
    value = RegistryValue();
    DWORD type = REG_NONE;
    DWORD size = maxBytes;
    if (maxBytes == 0) {
        LONG rc = ::RegQueryValueExW(key, valueName, nullptr, &type, nullptr, &size);
        if (rc != ERROR_SUCCESS) return rc;
    }
    // A value that grows between the size query and the read is asked for again.
    for (;;) {
        std::vector<BYTE> data(size, 0);
        DWORD got = size;
        LONG rc = ::RegQueryValueExW(key, valueName, nullptr, &type, data.empty() ? nullptr : data.data(), &got);
        if (rc == ERROR_MORE_DATA && maxBytes == 0 && got > size) {
            size = got;
            continue;
        }
        if (rc != ERROR_SUCCESS) return rc;
        if (got > size) return ERROR_MORE_DATA;
        data.resize(got);
        value.type = type;
        value.data.swap(data);
        return ERROR_SUCCESS;
    }
}

LONG WriteRegistryValue(HKEY key, const wchar_t* valueName, const RegistryValue& value)
{
    return ::RegSetValueExW(key, valueName, 0, value.type, value.data.empty() ? nullptr : value.data.data(),
                            static_cast<DWORD>(value.data.size()));
}

std::wstring RegistryValueText(const RegistryValue& value)
{
    return RegistryDataText(value.data.data(), value.data.size());
}
